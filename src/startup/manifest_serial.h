#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"

namespace startup {

// The highest serial of a signed manifest this client folder has accepted, kept in a small
// file beside the launcher so an older signed manifest cannot be replayed.
inline constexpr const char* kSerialFileName = "ManifestSerial.txt";

// A serial as written in the manifest: 1 to 18 decimal digits.
std::optional<uint64_t> parseSerial(const std::string& text);

// The stored serial; nothing when the file is missing or does not hold one.
std::optional<uint64_t> readStoredSerial(platform::Files& files, const std::string& clientFolder);

// Replaces the stored serial as a whole (old or new contents survive a crash, never half).
bool storeSerial(platform::Files& files, const std::string& clientFolder, uint64_t serial);

}  // namespace startup
