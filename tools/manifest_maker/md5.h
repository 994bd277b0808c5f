#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace maker {

// MD5 (RFC 1321), fed in pieces.
class Md5 {
 public:
  Md5();
  void update(const void* data, size_t size);
  // The digest as 32 upper-case hexadecimal digits; the object is spent afterwards.
  std::string hexDigest();

 private:
  void block(const unsigned char* p);
  uint32_t state_[4];
  uint64_t length_ = 0;
  unsigned char buffer_[64];
  size_t buffered_ = 0;
};

}  // namespace maker
