#pragma once
#include "platform/ini.h"

namespace platform::win32 {

class Win32Ini : public Ini {
 public:
  std::string read(const std::string& file, const std::string& section, const std::string& key,
                   size_t bufferSize) override;
  bool write(const std::string& file, const std::string& section, const std::string& key,
             const std::string& value) override;
};

}  // namespace platform::win32
