#pragma once
#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry : public Registry {
 public:
  bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) override;
};

}  // namespace platform::win32
