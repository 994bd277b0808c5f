#pragma once
#include <windows.h>

#include <memory>
#include <string>

namespace ui::win32 {

// The system's web-browser control hosted in-place in a rectangle of the window, silent
// (no script-error or similar dialogs). When the control cannot be created the view shows
// nothing and every call does nothing.
class WebView {
 public:
  WebView();
  ~WebView();
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Needs OLE initialised on the calling (window) thread.
  bool create(HWND parent, RECT rect);
  void navigate(const std::wstring& address);
  void show(bool visible);
  void close();

 private:
  struct Site;
  std::unique_ptr<Site> site_;
};

}  // namespace ui::win32
