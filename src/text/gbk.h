#pragma once
#include <string>
#include <string_view>

namespace text {

// Folds A-Z to a-z. A GBK two-byte character (lead byte 0x81-0xFE) is skipped whole, so a
// trail byte that happens to be an ASCII letter is never changed.
std::string asciiLower(std::string s);

// True when s ends with suffix, ASCII letters compared without case.
bool endsWithNoCase(const std::string& s, const std::string& suffix);

// The first `limit` bytes of s at most, never ending inside a two-byte character (lead byte
// 0x81-0xFE: GBK, and the Big5 and Shift-JIS texts made from it).
std::string cutDoubleByte(const std::string& s, size_t limit);

// Conversions between GBK and UTF-8 through the built-in table, so they behave the same on
// every platform. A byte or sequence that cannot be converted becomes one '?'.
std::string gbkToUtf8(std::string_view gbk);
std::string utf8ToGbk(std::string_view utf8);

}  // namespace text
