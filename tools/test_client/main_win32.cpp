#include <windows.h>

#include <cstdlib>
#include <string>

#include "record.h"

namespace {

// The record holds what the client sees, whatever the system's code page: UTF-8 of the wide texts.
std::string utf8(const wchar_t* wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

bool readSettings(std::string& bytes) {
  HANDLE file = CreateFileW(L"vf.ini", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Started started;
  started.hasCommandLine = true;
  started.commandLine = utf8(GetCommandLineW());
  for (int i = 0; i < argc; ++i) started.args.push_back(utf8(argv[i]));
  wchar_t cwd[MAX_PATH * 4];
  if (GetCurrentDirectoryW(MAX_PATH * 4, cwd)) started.cwd = utf8(cwd);
  started.hasSettings = readSettings(started.settings);
  const wchar_t* folder = _wgetenv(L"TEST_CLIENT_RECORD");
  int result = writeRecord(folder && *folder ? utf8(folder) : "client_record", started);
  if (const wchar_t* stay = _wgetenv(L"TEST_CLIENT_STAY_MS")) Sleep(static_cast<DWORD>(_wtoi(stay)));
  return result;
}
