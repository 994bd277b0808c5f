#pragma once
#include <string>

namespace platform::posix {

// The rules of the Windows profile functions over the bytes of one INI file.
//
// Reading: section and key names match without ASCII case; blanks around names and values
// are dropped; a value wrapped in matching single or double quotes loses them; lines
// starting with ';' are comments; the first matching section and key win.
// Returns false when the section or key is missing.
bool findIniValue(const std::string& content, const std::string& section, const std::string& key,
                  std::string& value);

// Writing: replaces the value of the first matching key, else adds the key at the end of
// the first matching section, else appends the section. Every other byte of the file stays
// as it was. New lines end in CR LF like the files Windows writes.
std::string withIniValue(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value);

}  // namespace platform::posix
