#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_process_starter.h"

namespace platform::win32 {

bool Win32ProcessStarter::create(const std::string& application, const std::string& commandLine,
                                 const std::string& workingDirectory, const StartupRecord& startup,
                                 ProcessRecord& record) {
  std::wstring app = widen(application), dir = widen(workingDirectory);
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  std::wstring command = widen(commandLine);
  std::vector<wchar_t> commandBuffer(command.begin(), command.end());
  commandBuffer.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = startup.flags;
  si.wShowWindow = startup.showWindow;
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessW(app.empty() ? nullptr : app.c_str(), command.empty() ? nullptr : commandBuffer.data(),
                           nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi);
  if (!ok) return false;
  record.process = reinterpret_cast<uintptr_t>(pi.hProcess);
  record.thread = reinterpret_cast<uintptr_t>(pi.hThread);
  record.processId = pi.dwProcessId;
  record.threadId = pi.dwThreadId;
  return true;
}

void Win32ProcessStarter::waitForInputIdle(uintptr_t process, int timeoutMs) {
  WaitForInputIdle(reinterpret_cast<HANDLE>(process), static_cast<DWORD>(timeoutMs));
}

void Win32ProcessStarter::waitForExit(uintptr_t process) {
  WaitForSingleObject(reinterpret_cast<HANDLE>(process), INFINITE);
}

void Win32ProcessStarter::closeHandle(uintptr_t handle) {
  if (handle) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::string Win32ProcessStarter::shortPathName(const std::string& path) {
  std::wstring wide = widen(path);
  DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::vector<wchar_t> buffer(n + 1, L'\0');
  n = GetShortPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return {};
  return narrow(std::wstring(buffer.data(), n));
}

std::string Win32ProcessStarter::windowsDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n == 0 || n > MAX_PATH ? std::string() : narrow(std::wstring(buffer, n));
}

std::string Win32ProcessStarter::systemDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return n == 0 || n > MAX_PATH ? std::string() : narrow(std::wstring(buffer, n));
}

}  // namespace platform::win32
