#include "download/crc16.h"

#include <array>

namespace download {

namespace {

constexpr std::array<uint16_t, 256> makeTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = makeTable();

}  // namespace

uint16_t crc16Arc(const unsigned char* data, size_t size) {
  uint16_t crc = 0;
  for (size_t i = 0; i < size; ++i) crc = static_cast<uint16_t>((crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF]);
  return crc;
}

}  // namespace download
