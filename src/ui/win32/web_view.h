#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace ui::win32 {

// The system's web-browser control hosted in-place in a rectangle of the window, silent
// (no script-error or similar dialogs) and without ActiveX controls. It keeps to the site of
// the page it was last pointed at: other web addresses and new windows go to `openOutside`
// (the player's default browser), other kinds of address nowhere; a page that cannot be
// loaded is replaced by `fallbackText` on a plain page of its own. When the control cannot
// be created the view shows nothing and every call does nothing.
class WebView {
 public:
  struct Hooks {
    std::function<void(const std::wstring& address)> openOutside;
    std::wstring fallbackText;
  };

  WebView();
  ~WebView();
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Needs OLE initialised on the calling (window) thread.
  bool create(HWND parent, RECT rect, Hooks hooks);
  void navigate(const std::wstring& address);
  void show(bool visible);
  void close();

 private:
  struct Site;
  std::unique_ptr<Site> site_;
};

}  // namespace ui::win32
