#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/wide.h"

namespace platform::win32 {

namespace {
HWND asHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle asHandle(HWND w) { return reinterpret_cast<WindowHandle>(w); }
}  // namespace

bool Win32Processes::snapshot(std::vector<ProcessEntry>& entries) {
  entries.clear();
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return false;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap.get(), &e); more; more = Process32NextW(snap.get(), &e))
    entries.push_back({e.th32ProcessID, narrow(e.szExeFile)});
  return true;
}

WindowHandle Win32Processes::nextTopLevelWindow(WindowHandle after) {
  HWND w = after == 0 ? GetWindow(GetDesktopWindow(), GW_CHILD) : GetWindow(asHwnd(after), GW_HWNDNEXT);
  return asHandle(w);
}

bool Win32Processes::windowExists(WindowHandle window) { return IsWindow(asHwnd(window)); }

bool Win32Processes::windowVisible(WindowHandle window) { return IsWindowVisible(asHwnd(window)); }

uint32_t Win32Processes::windowProcess(WindowHandle window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(asHwnd(window), &pid);
  return pid;
}

bool Win32Processes::windowClassName(WindowHandle window, int bufferLength, std::string& name) {
  if (bufferLength <= 0) return false;
  std::wstring buffer(static_cast<size_t>(bufferLength), L'\0');
  int n = GetClassNameW(asHwnd(window), buffer.data(), bufferLength);
  if (n <= 0) return false;
  buffer.resize(static_cast<size_t>(n));
  name = narrow(buffer);
  return true;
}

std::string Win32Processes::windowTitle(WindowHandle window) {
  int n = GetWindowTextLengthW(asHwnd(window));
  if (n <= 0) return {};
  std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(asHwnd(window), buffer.data(), n + 1);
  buffer.resize(static_cast<size_t>(n));
  return narrow(buffer);
}

void Win32Processes::activateWindow(WindowHandle window) {
  HWND w = asHwnd(window);
  ShowWindow(w, SW_RESTORE);
  SetForegroundWindow(w);
  SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Win32Processes::pumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Win32InstanceMarker::openExisting(const std::string& name) {
  UniqueHandle existing(OpenEventW(EVENT_ALL_ACCESS, FALSE, widen(name).c_str()));
  return static_cast<bool>(existing);
}

bool Win32InstanceMarker::create(const std::string& name) {
  event_.reset(CreateEventW(nullptr, FALSE, FALSE, widen(name).c_str()));
  return static_cast<bool>(event_);
}

}  // namespace platform::win32
