#pragma once
#include <cstdint>

namespace text {

// Two-byte GBK characters are indexed by lead byte 0x81-0xFE and trail byte 0x40-0xFE:
// index = (lead - 0x81) * 191 + (trail - 0x40). Each entry holds the target character as
// (first byte << 8) | second byte. The trail byte 0x7F is not a GBK trail byte; its
// entries are never read.
inline constexpr int kGbkLeadCount = 0xFE - 0x81 + 1;
inline constexpr int kGbkTrailCount = 0xFE - 0x40 + 1;
inline constexpr int kGbkTableSize = kGbkLeadCount * kGbkTrailCount;

extern const uint16_t kGbkToBig5[kGbkTableSize];
extern const uint16_t kGbkToShiftJis[kGbkTableSize];

// Unicode code point of each GBK two-byte character, 0 where GBK defines none.
extern const uint16_t kGbkToUnicode[kGbkTableSize];

// Table index of a GBK pair, or -1 when the pair lies outside the GBK two-byte ranges.
constexpr int gbkTableIndex(unsigned char lead, unsigned char trail) {
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F) return -1;
  return (lead - 0x81) * kGbkTrailCount + (trail - 0x40);
}

}  // namespace text
