#include "startup/cache_busting.h"

namespace startup {

namespace {
constexpr int64_t kEpochOffsetSeconds = 8 * 3600;  // the stamp counts from 08:00, not midnight
}

std::string cacheBustingStamp(platform::System& system) {
  platform::LocalTime now = system.localNow();
  std::string seconds = std::to_string(now.seconds - kEpochOffsetSeconds);
  std::string millis = std::to_string(now.milliseconds);
  if (millis.size() < 3) millis.insert(0, 3 - millis.size(), '0');
  return (seconds + millis).substr(0, 10);
}

}  // namespace startup
