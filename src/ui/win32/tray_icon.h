#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace ui::win32 {

// The window's notification-area icon. Mouse messages arrive at the window as `message`.
class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void setup(HWND window, UINT message, HICON icon);
  // Adds the icon or replaces its tooltip.
  void show(const std::wstring& tooltip);
  void remove();
  // The taskbar was recreated (Explorer restarted): put the icon back if it was shown.
  void restore();
  bool shown() const { return shown_; }

  // 1 left button released, 2 double-click, 3 right button released or context menu; 0 other.
  static int operationFor(LPARAM mouseMessage);

 private:
  NOTIFYICONDATAW data(UINT flags) const;

  HWND window_ = nullptr;
  UINT message_ = 0;
  HICON icon_ = nullptr;
  std::wstring tooltip_;
  bool shown_ = false;
};

}  // namespace ui::win32
