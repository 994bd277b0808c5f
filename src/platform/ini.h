#pragma once
#include <cstddef>
#include <string>

namespace platform {

// INI files with the rules of the Windows profile functions.
class Ini {
 public:
  virtual ~Ini() = default;
  // The value, cut to bufferSize - 1 bytes; empty when the file, section or key is missing.
  virtual std::string read(const std::string& file, const std::string& section, const std::string& key,
                           size_t bufferSize) = 0;
  // Creates the file, section or key as needed and keeps every other section and key.
  virtual bool write(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

}  // namespace platform
