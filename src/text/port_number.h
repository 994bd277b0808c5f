#pragma once
#include <string_view>

namespace text {

// A port written as 1 to 5 ASCII digits with a value from 1 to 65535; false (port untouched)
// for anything else, signs, blanks and leading '+' included.
bool parsePortNumber(std::string_view text, int& port);

}  // namespace text
