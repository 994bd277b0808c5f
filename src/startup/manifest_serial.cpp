#include "startup/manifest_serial.h"

namespace startup {

namespace {

constexpr size_t kMaxDigits = 18;  // below 2^63 whatever the digits

}  // namespace

std::optional<uint64_t> parseSerial(const std::string& text) {
  if (text.empty() || text.size() > kMaxDigits) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::optional<uint64_t> readStoredSerial(platform::Files& files, const std::string& clientFolder) {
  std::string bytes;
  if (!files.readPrefix(clientFolder + kSerialFileName, 64, bytes)) return std::nullopt;
  while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r' || bytes.back() == ' ')) bytes.pop_back();
  return parseSerial(bytes);
}

bool storeSerial(platform::Files& files, const std::string& clientFolder, uint64_t serial) {
  return files.replaceWhole(clientFolder + kSerialFileName, std::to_string(serial) + "\r\n");
}

}  // namespace startup
