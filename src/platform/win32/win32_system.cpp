#include "platform/win32/win32_system.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/wide.h"

namespace platform::win32 {

uint32_t Win32System::tickCount() { return GetTickCount(); }

int Win32System::defaultLocaleId() { return static_cast<int>(GetSystemDefaultLCID()); }

unsigned Win32System::systemCodePage() { return GetACP(); }

LocalTime Win32System::localNow() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  // The local wall-clock reading converted as if it were UTC gives seconds from the local epoch.
  FILETIME ft{};
  SystemTimeToFileTime(&local, &ft);
  ULARGE_INTEGER t{};
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  constexpr uint64_t kEpochDifference = 116444736000000000ull;  // 1601 to 1970 in 100 ns
  int64_t seconds = static_cast<int64_t>((t.QuadPart - kEpochDifference) / 10000000ull);
  return {seconds, local.wMilliseconds};
}

std::string Win32System::executablePath() {
  std::wstring buffer(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return narrowExactly(buffer);
}

std::string Win32System::environment(const std::string& name) {
  std::wstring wname = widen(name);
  DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
  value.resize(n);
  return narrow(value);
}

void Win32System::sleep(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void Win32System::endProcess(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  ExitProcess(static_cast<UINT>(code));
}

std::string Win32System::toUtf8(const std::string& bytes, unsigned codePage) {
  return narrow(widen(bytes, codePage), CP_UTF8);
}

std::string Win32System::displayText(const std::string& systemText, unsigned codePage) {
  return narrow(widen(systemText), codePage);
}

std::bitset<256> Win32System::leadBytes() {
  std::bitset<256> lead;
  for (int c = 0x80; c <= 0xFF; ++c)
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(c))) lead.set(static_cast<size_t>(c));
  return lead;
}

// The ANSI calls take the manifest's bytes as they are.
std::string Win32System::manifestFileName(const std::string& gbk) { return gbk; }

// cmd reads a batch file in the console's code page, which is the OEM one of a new console;
// on Western systems it differs from the ANSI one (850 against 1252).
std::string Win32System::scriptText(const std::string& systemText) {
  if (GetOEMCP() == GetACP()) return systemText;
  return narrow(widen(systemText), CP_OEMCP);
}

}  // namespace platform::win32
