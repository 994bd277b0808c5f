#pragma once
#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry : public Registry {
 public:
  bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) override;
  bool userDword(const std::string& key, const std::string& name, uint32_t& value) override;
  bool setUserDword(const std::string& key, const std::string& name, uint32_t value) override;
};

}  // namespace platform::win32
