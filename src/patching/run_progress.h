#pragma once
#include <cstdint>

#include "patching/run_totals.h"
#include "patching/time_left.h"

namespace patching {

// What the display of a whole update run remembers between timer ticks. Touched on the
// window thread only: workers and engine callbacks reach it through posted tasks.
struct RunProgress {
  bool active = false;
  RunTotals totals;
  TimeLeftEstimator timeLeft;
  uint32_t startTick = 0;       // when the run began
  uint32_t periodStart = 0;     // start of the speed period the next sample closes
  int64_t fetched = 0;          // bytes that arrived during the run (not those found on disk)
};

}  // namespace patching
