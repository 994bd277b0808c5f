#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace patching {

// MD5 (RFC 1321), fed in pieces of any size so that files are digested as they are read.
class Md5 {
 public:
  Md5();
  void update(const void* data, size_t size);
  // The 16-byte digest; the object must not be fed afterwards.
  std::array<uint8_t, 16> finish();

 private:
  void compress(const uint8_t* block);

  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
};

// Bytes as two upper-case hexadecimal digits each, in byte order.
std::string upperHex(const uint8_t* bytes, size_t size);

// The digest of a whole text as 32 upper-case hexadecimal digits.
std::string md5Hex(std::string_view bytes);

}  // namespace patching
