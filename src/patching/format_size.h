#pragma once
#include <cstdint>
#include <string>

namespace patching {

// A byte count for the status line: "1023B", "1.50KB", "1024.00KB", "1.00MB", "2.00G".
std::string formatSize(int64_t bytes);

// A manifest size text as a signed 64-bit number: full-width digits, signs and spaces count
// as their ASCII forms, leading white space is skipped, then one optional sign and the
// digits up to the first other character. No digits gives 0; values beyond the range are
// held at its ends.
int64_t parseSizeText(const std::string& text);

// a + b, held at the ends of the range instead of overflowing.
int64_t addSizes(int64_t a, int64_t b);

}  // namespace patching
