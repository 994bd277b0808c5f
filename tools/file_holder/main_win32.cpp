// file-holder FILE MILLISECONDS READY: opens FILE without sharing (as a game holds its data
// files), creates READY once it has it, and closes it after MILLISECONDS (or when killed).
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fwprintf(stderr, L"usage: file-holder FILE MILLISECONDS READY\n");
    return 2;
  }
  HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fwprintf(stderr, L"cannot open %ls: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  HANDLE ready = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  CloseHandle(held);
  return 0;
}
