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

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it holds
// blanks or quotes, with backslashes doubled only where they precede a quote.
std::wstring quotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

}  // namespace

bool Win32Shell::runElevated(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& folder) {
  std::wstring file = widen(program), dir = widen(folder), params;
  for (const auto& a : arguments) params += (params.empty() ? L"" : L" ") + quotedArgument(widen(a));
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = params.empty() ? nullptr : params.c_str();
  info.lpDirectory = dir.empty() ? nullptr : dir.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

WindowHandle Win32Shell::findWindowByTitle(const std::string& title) {
  std::wstring t = widen(title);
  return reinterpret_cast<WindowHandle>(FindWindowExW(nullptr, nullptr, nullptr, t.c_str()));
}

}  // namespace platform::win32
