#include "startup/latency_look.h"

namespace startup {

namespace {

constexpr const char* kUnderMaintenance = "\xCE\xAC\xBB\xA4\xD6\xD0";  // 维护中

}  // namespace

LatencyLook latencyLook(int milliseconds) {
  if (milliseconds <= 0) return {{128, 128, 128}, kUnderMaintenance};
  std::string caption = std::to_string(milliseconds) + "ms";
  if (milliseconds < 100) return {{0, 224, 128}, caption};
  if (milliseconds < 200) return {{255, 128, 0}, caption};
  return {{255, 0, 0}, caption};
}

}  // namespace startup
