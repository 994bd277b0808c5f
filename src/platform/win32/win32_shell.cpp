#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_shell.h"

namespace platform::win32 {

void Win32Shell::execute(WindowHandle owner, const std::string& verb, const std::string& file) {
  std::wstring v = widen(verb), f = widen(file);
  ShellExecuteW(reinterpret_cast<HWND>(owner), v.empty() ? nullptr : v.c_str(), f.c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

WindowHandle Win32Shell::findWindowByTitle(const std::string& title) {
  std::wstring t = widen(title);
  return reinterpret_cast<WindowHandle>(FindWindowExW(nullptr, nullptr, nullptr, t.c_str()));
}

}  // namespace platform::win32
