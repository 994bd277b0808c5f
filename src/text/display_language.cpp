#include "text/display_language.h"

#include <cstdint>

#include "text/conversion_tables.h"

namespace text {

namespace {

// Every two-byte character is replaced by one two-byte character, so the byte length and
// the positions of all ASCII bytes stay as they were.
std::string reencodePairs(const std::string& gbk, const uint16_t (&table)[kGbkTableSize]) {
  std::string out = gbk;
  size_t i = 0;
  while (i < out.size()) {
    const auto lead = static_cast<unsigned char>(out[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (i + 1 == out.size()) break;  // A lead byte cut off at the end stays as it is.
    const int index = gbkTableIndex(lead, static_cast<unsigned char>(out[i + 1]));
    if (index >= 0) {
      const uint16_t target = table[index];
      out[i] = static_cast<char>(target >> 8);
      out[i + 1] = static_cast<char>(target & 0xFF);
    }
    i += 2;
  }
  return out;
}

}  // namespace

const char* displayCodeName(DisplayCode code) {
  switch (code) {
    case DisplayCode::SC: return "SC";
    case DisplayCode::TC: return "TC";
    case DisplayCode::JP: return "JP";
    case DisplayCode::Error: break;
  }
  return "ERROR";
}

DisplayCode detectDisplayLanguage(int localeId) {
  const std::string decimal = std::to_string(localeId);
  if (decimal == "2052") return DisplayCode::SC;
  if (decimal == "1028") return DisplayCode::TC;
  if (decimal == "1041") return DisplayCode::JP;
  return DisplayCode::Error;
}

std::string convertForDisplay(DisplayCode code, const std::string& gbk) {
  switch (code) {
    case DisplayCode::TC: return reencodePairs(gbk, kGbkToBig5);
    case DisplayCode::JP: return reencodePairs(gbk, kGbkToShiftJis);
    case DisplayCode::SC:
    case DisplayCode::Error: break;
  }
  return gbk;
}

unsigned displayCodePage(DisplayCode code) {
  switch (code) {
    case DisplayCode::TC: return 950;
    case DisplayCode::JP: return 932;
    case DisplayCode::SC:
    case DisplayCode::Error: break;
  }
  return 936;
}

}  // namespace text
