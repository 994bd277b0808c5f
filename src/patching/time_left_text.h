#pragma once
#include <cstdint>
#include <string>

namespace patching {

// A rounded time left (roundTimeLeft) as the player reads it, GBK before conversion for
// display: "剩余约45秒", "剩余约2分30秒", "剩余约3分钟", "剩余约1小时20分钟", "剩余约12小时".
// Empty for 0 (nothing to show).
std::string timeLeftText(int64_t seconds);

// The same for the support log, in English: "about 45 s left", "about 2 min 30 s left",
// "about 1 h 20 min left"; empty for 0.
std::string timeLeftLogText(int64_t seconds);

}  // namespace patching
