#include "ui/win32/tray_icon.h"


#include <algorithm>

namespace ui::win32 {

TrayIcon::~TrayIcon() { remove(); }

void TrayIcon::setup(HWND window, UINT message, HICON icon) {
  window_ = window;
  message_ = message;
  icon_ = icon;
}

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = window_;
  d.uID = 1;
  d.uFlags = flags;
  d.uCallbackMessage = message_;
  d.hIcon = icon_;
  size_t n = std::min(tooltip_.size(), std::size(d.szTip) - 1);
  tooltip_.copy(d.szTip, n);
  d.szTip[n] = L'\0';
  return d;
}

void TrayIcon::show(const std::wstring& tooltip) {
  if (!window_) return;
  tooltip_ = tooltip;
  NOTIFYICONDATAW d = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  if (shown_ && Shell_NotifyIconW(NIM_MODIFY, &d)) return;
  shown_ = Shell_NotifyIconW(NIM_ADD, &d) != FALSE;
}

void TrayIcon::remove() {
  if (!shown_) return;
  NOTIFYICONDATAW d = data(0);
  Shell_NotifyIconW(NIM_DELETE, &d);
  shown_ = false;
}

void TrayIcon::restore() {
  if (!shown_) return;
  shown_ = false;
  show(tooltip_);
}

int TrayIcon::operationFor(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP: return 1;
    case WM_LBUTTONDBLCLK: return 2;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: return 3;
    default: return 0;
  }
}

}  // namespace ui::win32
