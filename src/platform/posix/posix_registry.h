#pragma once
#include <string>

#include "platform/registry.h"

namespace platform::posix {

// Linux has no registry. The current user's DWORD values, which the launcher keeps for the
// player, live in a small text file of the user's configuration folder instead, one
// "key\name=decimal" line each: $XDG_CONFIG_HOME/vktalvera-launcher/settings, or
// ~/.config/... when that variable is unset or not absolute.
class PosixRegistry : public Registry {
 public:
  // `settingsFile` replaces the file named above (tests); empty: that file.
  explicit PosixRegistry(std::string settingsFile = {}) : settingsFile_(std::move(settingsFile)) {}
  bool defaultValue(RegistryRoot root, const std::string& key, std::string& value) override;
  bool userDword(const std::string& key, const std::string& name, uint32_t& value) override;
  bool setUserDword(const std::string& key, const std::string& name, uint32_t value) override;

  // The file the user's values are kept in; empty when neither variable names a folder.
  static std::string userSettingsFile();

 private:
  std::string file() const { return settingsFile_.empty() ? userSettingsFile() : settingsFile_; }
  std::string settingsFile_;
};

}  // namespace platform::posix
