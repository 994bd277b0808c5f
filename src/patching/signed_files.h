#pragma once
#include <optional>
#include <string>

#include "patching/known_digests.h"
#include "patching/patch_entry.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace patching {

// With trust keys configured, an entry's sha256 (covered by the manifest's signature) decides
// what its file must be; without keys the attribute is not looked at.
bool hasSignedDigest(const state::AppState& app, const PatchEntry& entry);

// Why a launcher with keys must not install the entry (the words for the support log), or
// empty: a sha256 that no file can have, or none while signatures are required, leaves only
// the check code to vouch for the file.
std::string unverifiableCause(const state::AppState& app, const PatchEntry& entry);

// The record of known digests, in the download cache.
std::string knownDigestsPath(const state::AppState& app);

// The stamp of the file at the entry's place when it has the entry's size (when the entry
// gives one) and SHA-256; nothing otherwise. A file `known` holds with its stamp unchanged is
// not read; a file that changed while it was read does not count.
std::optional<platform::FileStamp> signedFileStamp(platform::Files& files, const PatchEntry& entry,
                                                   const KnownDigests& known);

// After a signed patch was installed: its digest is remembered with the installed file's
// stamp. A record that cannot be written only costs a reading at the next start.
void rememberInstalled(state::AppState& app, const PatchEntry& entry);

}  // namespace patching
