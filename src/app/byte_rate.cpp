#include "app/byte_rate.h"

namespace app {

bool parseBytesPerSecond(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > kLargestSpeedLimit) return false;  // checked each digit: no overflow on long inputs
  }
  value = v;
  return true;
}

std::string speedLimitText(int64_t bytesPerSecond) {
  return bytesPerSecond <= 0 ? "none" : std::to_string(bytesPerSecond) + " bytes/s";
}

}  // namespace app
