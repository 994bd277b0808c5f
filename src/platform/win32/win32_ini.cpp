#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_ini.h"

namespace platform::win32 {

namespace {

std::string skipLeadingControls(const std::string& s) {
  size_t at = 0;
  while (at < s.size() && static_cast<unsigned char>(s[at]) <= 32) ++at;
  return s.substr(at);
}

}  // namespace

std::string Win32Ini::read(const std::string& file, const std::string& section, const std::string& key,
                           size_t bufferSize) {
  std::string f = skipLeadingControls(file), s = skipLeadingControls(section), k = skipLeadingControls(key);
  if (f.empty() || s.empty() || k.empty() || bufferSize == 0) return {};
  std::vector<wchar_t> buffer(bufferSize, L'\0');
  DWORD n = GetPrivateProfileStringW(widen(s).c_str(), widen(k).c_str(), L"", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), widen(f).c_str());
  std::string value = narrow(std::wstring(buffer.data(), n));
  // The launcher's buffers count GBK bytes, not UTF-16 units.
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

bool Win32Ini::write(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) {
  return WritePrivateProfileStringW(widen(section).c_str(), widen(key).c_str(), widen(value).c_str(),
                                    widen(file).c_str()) != FALSE;
}

}  // namespace platform::win32
