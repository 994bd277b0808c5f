#include <windows.h>

#include "platform/end_signal.h"
#include "platform/win32/unique_handle.h"

namespace platform {

struct EndSignal::Native {
  win32::UniqueHandle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

EndSignal::EndSignal() : native_(std::make_unique<Native>()) {}
EndSignal::~EndSignal() = default;

void EndSignal::raise() { SetEvent(native_->event.get()); }
void EndSignal::clear() { ResetEvent(native_->event.get()); }
bool EndSignal::isRaised() const { return WaitForSingleObject(native_->event.get(), 0) == WAIT_OBJECT_0; }

void EndSignal::waitServingMessages() {
  HANDLE event = native_->event.get();
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return;
    if (r != WAIT_OBJECT_0 + 1) {
      // The event handle is unusable; fall back to a plain wait rather than spinning.
      WaitForSingleObject(event, INFINITE);
      return;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace platform
