#include <condition_variable>
#include <mutex>

#include "platform/end_signal.h"

namespace platform {

// A thread of this system has no window messages of its own (the headless window drains
// its queue on the window thread), so a condition variable is the whole wait.
struct EndSignal::Native {
  mutable std::mutex mutex;
  std::condition_variable changed;
  bool raised = false;
};

EndSignal::EndSignal() : native_(std::make_unique<Native>()) {}
EndSignal::~EndSignal() = default;

void EndSignal::raise() {
  {
    std::lock_guard lock(native_->mutex);
    native_->raised = true;
  }
  native_->changed.notify_all();
}

void EndSignal::clear() {
  std::lock_guard lock(native_->mutex);
  native_->raised = false;
}

bool EndSignal::isRaised() const {
  std::lock_guard lock(native_->mutex);
  return native_->raised;
}

void EndSignal::waitServingMessages() {
  std::unique_lock lock(native_->mutex);
  native_->changed.wait(lock, [&] { return native_->raised; });
}

}  // namespace platform
