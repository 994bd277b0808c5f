#pragma once
#include "platform/registry.h"

namespace platform::posix {

class PosixRegistry : public Registry {
 public:
  bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) override;
  bool userDword(const std::string& key, const std::string& name, uint32_t& value) override;
  bool setUserDword(const std::string& key, const std::string& name, uint32_t value) override;
};

}  // namespace platform::posix
