#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_registry.h"

namespace platform::win32 {

namespace {

class RegistryKey {
 public:
  RegistryKey(HKEY root, const std::wstring& path) {
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring expanded(const std::wstring& text) {
  DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (size == 0) return text;
  std::wstring out(size, L'\0');
  size = ExpandEnvironmentStringsW(text.c_str(), out.data(), size);
  out.resize(size > 0 ? size - 1 : 0);
  return out;
}

}  // namespace

bool Win32Registry::defaultValue(RegistryRoot root, const std::string& key, std::string& value) {
  RegistryKey k(root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE, widen(key));
  if (!k.get()) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(k.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  std::wstring text(buffer.data());  // stored values may or may not carry their terminator
  value = narrow(type == REG_EXPAND_SZ ? expanded(text) : text);
  return true;
}

}  // namespace platform::win32
