#pragma once
#include <string>

namespace fakes {

// `utf8` in another character set, as the C library's iconv names it ("GBK", "BIG5",
// "SHIFT_JIS"). Converted independently of the launcher's own tables, so that expectations
// written in readable UTF-8 catch a wrong byte in the launcher's texts or tables. A character
// the set lacks fails the calling test.
std::string encoded(const std::string& utf8, const char* charset);

inline std::string gbkOf(const std::string& utf8) { return encoded(utf8, "GBK"); }

}  // namespace fakes
