#pragma once
#include <optional>
#include <string>

#include "platform/files.h"

namespace startup {

// The last launcher update this client folder installed: the offered `ver` and the SHA-256
// of the file handed to the update script. A launcher built with another version than its
// offer names would otherwise take the same offer again at every start, for ever.
inline constexpr const char* kUpdateRecordFileName = "LauncherUpdate.txt";

struct UpdateRecord {
  std::string version;  // the manifest's `ver`, as offered
  std::string sha256;   // 64 lower-case hex digits
  // False until a launcher has started after the installation: that first start decides
  // whether the installation took.
  bool seen = false;
};

std::optional<UpdateRecord> readUpdateRecord(platform::Files& files, const std::string& clientFolder);
// Replaces the record as a whole (old or new contents survive a crash, never half).
bool storeUpdateRecord(platform::Files& files, const std::string& clientFolder, const UpdateRecord& record);

enum class RepeatedOffer {
  kNew,        // not the offer last installed (or another file under its `ver`): update
  kInstalled,  // this launcher is the very file that offer installed
  kNotTaken,   // the first start after that installation, and the old file is still here
};

// `offeredSha256` is the manifest's (may be empty), `ownSha256` this launcher's own digest.
// An installation that did not take is let be once, at the start right after it; a later
// start tries again, so a launcher the player put back still gets the offer.
RepeatedOffer repeatedOffer(const std::optional<UpdateRecord>& last, const std::string& version,
                            const std::string& offeredSha256, const std::string& ownSha256);

}  // namespace startup
