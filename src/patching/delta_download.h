#pragma once
#include <string>

#include "patching/patch_entry.h"
#include "state/app_state.h"

namespace patching {

// Fetches only what changed of an entry that has a chunk index, when an older version of the
// file is at its place (or a delta of it was begun on an earlier run): the old file's chunks
// that the new one holds are copied into `target` + ".tmp" as the old file is read, the
// missing ones fetched as byte ranges of the published file, each checked against the index,
// and the finished file against the index's SHA-256. kComplete then, with the file in the
// ".tmp" as a whole download leaves it. kNotStarted when no delta was made or it did not
// succeed: nothing of it is left behind, the reason is in the support log, and the caller
// downloads the file whole. The old file is only read.
//
// The read that checks the finished file also takes its MD5 when the entry's CheckCode is one
// (on a second thread), so that the install's checks need not read the file again.
struct AssembledDigests {
  std::string sha256;  // lower-case hexadecimal
  std::string md5;     // upper-case hexadecimal; empty when the CheckCode is no MD5
};
int downloadDelta(state::AppState& app, const PatchEntry& entry, const std::string& stamp, const std::string& target,
                  int index, int count, AssembledDigests& digests);

// The install's checks of a file downloadDelta assembled, from its digests: the CheckCode
// (a header code is read from the file) and, with keys, the signed sha256.
bool assembledMatches(state::AppState& app, const std::string& tmpPath, const PatchEntry& entry,
                      const AssembledDigests& digests);

}  // namespace patching
