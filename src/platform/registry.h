#pragma once
#include <string>

namespace platform {

enum class RegistryRoot { ClassesRoot, LocalMachine };

class Registry {
 public:
  virtual ~Registry() = default;
  // The default (unnamed) value of a key as text: REG_SZ as stored, REG_EXPAND_SZ with its
  // environment references expanded. False when the key or the value is missing.
  virtual bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) = 0;
};

}  // namespace platform
