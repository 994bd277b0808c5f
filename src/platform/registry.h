#pragma once
#include <cstdint>
#include <string>

namespace platform {

enum class RegistryRoot { ClassesRoot, LocalMachine };

class Registry {
 public:
  virtual ~Registry() = default;
  // The default (unnamed) value of a key as text: REG_SZ as stored, REG_EXPAND_SZ with its
  // environment references expanded. False when the key or the value is missing.
  virtual bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) = 0;
  // A REG_DWORD value of a key of the current user's own hive (HKEY_CURRENT_USER), which any
  // user may write without administrator rights. False when the key or the value is missing
  // or the value is of another type.
  virtual bool userDword(const std::string& key, const std::string& name, uint32_t& value) = 0;
  // Writes such a value, making the key and its parents where they are missing. False when
  // it could not be written.
  virtual bool setUserDword(const std::string& key, const std::string& name, uint32_t value) = 0;
};

}  // namespace platform
