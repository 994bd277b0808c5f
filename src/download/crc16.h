#pragma once
#include <cstddef>
#include <cstdint>

namespace download {

// CRC-16/ARC: reflected polynomial 0xA001, initial value 0, no final XOR.
uint16_t crc16Arc(const unsigned char* data, size_t size);

}  // namespace download
