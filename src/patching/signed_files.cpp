#include "patching/signed_files.h"

#include "patching/check_code.h"
#include "patching/format_size.h"

namespace patching {

bool hasSignedDigest(const state::AppState& app, const PatchEntry& entry) {
  return app.endpoints.trustActive() && !entry.sha256.empty();
}

std::string unverifiableCause(const state::AppState& app, const PatchEntry& entry) {
  if (!app.endpoints.trustActive()) return {};
  if (entry.sha256.empty())
    return app.endpoints.signaturesRequired() ? "the manifest vouches for no sha256 while signatures are required"
                                              : std::string();
  bool digest = entry.sha256.size() == 64 &&
                entry.sha256.find_first_not_of("0123456789abcdef") == std::string::npos;
  return digest ? std::string() : "its sha256 is not 64 lower-case hexadecimal digits";
}

std::string knownDigestsPath(const state::AppState& app) { return app.downloadCacheFolder + "KnownDigests.txt"; }

std::optional<platform::FileStamp> signedFileStamp(platform::Files& files, const PatchEntry& entry,
                                                   const KnownDigests& known) {
  platform::FileStamp before;
  if (entry.sha256.empty() || !files.fileStamp(entry.localPath, before)) return std::nullopt;
  // The size is the cheap refusal; without one the digest alone decides.
  if (!entry.size.empty() && before.size != parseSizeText(entry.size)) return std::nullopt;
  if (known.digestOf(entry.localPath, before) == entry.sha256) return before;
  platform::FileStamp after;
  if (!fileMatchesSha256(files, entry.localPath, entry.sha256)) return std::nullopt;
  if (!files.fileStamp(entry.localPath, after) || !(after == before)) return std::nullopt;
  return before;
}

void rememberInstalled(state::AppState& app, const PatchEntry& entry) {
  auto& files = app.platform.files;
  platform::FileStamp stamp;
  if (!hasSignedDigest(app, entry) || !files.fileStamp(entry.localPath, stamp)) return;
  std::string path = knownDigestsPath(app);
  KnownDigests known = KnownDigests::read(files, path);
  known.remember(entry.localPath, stamp, entry.sha256);
  known.write(files, path);
}

}  // namespace patching
