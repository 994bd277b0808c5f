#pragma once
#include <string>

#include "ui/component.h"

namespace startup {

// How the latency label shows one echo time.
struct LatencyLook {
  ui::Rgb color;
  std::string caption;  // GBK, not yet converted for display
};

// The colour and caption for an echo time in milliseconds; 0 or less (no answer) reads "维护中".
LatencyLook latencyLook(int milliseconds);

}  // namespace startup
