#pragma once
#include "platform/registry.h"

namespace platform::posix {

class PosixRegistry : public Registry {
 public:
  bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) override;
};

}  // namespace platform::posix
