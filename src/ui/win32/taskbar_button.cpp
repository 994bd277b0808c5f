#include "ui/win32/taskbar_button.h"

namespace ui::win32 {

bool TaskbarButton::ensure() {
  if (list_) return true;
  if (tried_ || !window_) return false;
  tried_ = true;
  ComPtr<ITaskbarList3> list;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, list.putVoid())))
    return false;
  if (FAILED(list->HrInit())) return false;
  list_ = std::move(list);
  return true;
}

void TaskbarButton::buttonCreated() {
  list_.reset();
  tried_ = false;
  if (state_ != TaskbarState::None) show(state_, percent_);
}

bool TaskbarButton::apply() {
  switch (state_) {
    case TaskbarState::None: return SUCCEEDED(list_->SetProgressState(window_, TBPF_NOPROGRESS));
    case TaskbarState::Error:
      // The state first: a value set while no progress shows would turn the bar back to normal.
      return SUCCEEDED(list_->SetProgressState(window_, TBPF_ERROR)) &&
             SUCCEEDED(list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent_), 100));
    case TaskbarState::Normal:
      return SUCCEEDED(list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent_), 100)) &&
             SUCCEEDED(list_->SetProgressState(window_, TBPF_NORMAL));
  }
  return false;
}

bool TaskbarButton::show(TaskbarState state, int percent) {
  state_ = state;
  percent_ = percent;
  return ensure() && apply();
}

bool TaskbarButton::flashIfMinimised() {
  if (!window_ || !IsIconic(window_)) return false;
  FLASHWINFO flash{};
  flash.cbSize = sizeof flash;
  flash.hwnd = window_;
  flash.dwFlags = FLASHW_TRAY;
  flash.uCount = 1;
  FlashWindowEx(&flash);
  return true;
}

}  // namespace ui::win32
