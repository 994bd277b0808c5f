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
  // Opened for writing, made with its parents where missing.
  RegistryKey(HKEY root, const std::wstring& path, bool) {
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
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

// Value names are file names, which reach us in the system's code page.
bool Win32Registry::userDword(const std::string& key, const std::string& name, uint32_t& value) {
  RegistryKey k(HKEY_CURRENT_USER, widen(key));
  if (!k.get()) return false;
  DWORD type = 0, data = 0, size = sizeof data;
  if (RegQueryValueExW(k.get(), widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data)
    return false;
  value = data;
  return true;
}

bool Win32Registry::setUserDword(const std::string& key, const std::string& name, uint32_t value) {
  RegistryKey k(HKEY_CURRENT_USER, widen(key), true);
  if (!k.get()) return false;
  DWORD data = value;
  return RegSetValueExW(k.get(), widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof data) == ERROR_SUCCESS;
}

}  // namespace platform::win32
