#pragma once
#include <cstdint>
#include <string>

namespace app {

// The largest speed limit: it is remembered as a 32-bit registry value.
inline constexpr int64_t kLargestSpeedLimit = 0xFFFFFFFFLL;

// A speed limit as written by the player: plain decimal digits, bytes per second, 0 for none.
// False for anything else (signs, spaces, units, above kLargestSpeedLimit).
bool parseBytesPerSecond(const std::string& text, int64_t& value);

// "1048576 bytes/s", or "none" for 0.
std::string speedLimitText(int64_t bytesPerSecond);

}  // namespace app
