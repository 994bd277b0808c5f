#include "patching/md5.h"

#include <algorithm>
#include <cstring>

namespace patching {

namespace {

inline uint32_t rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline uint32_t loadLe(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeLe(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// The four round functions; each step adds the function of b, c, d, a message word and a
// sine constant to a, rotates, and adds b.
inline void ff(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = rotl(a + (d ^ (b & (c ^ d))) + x + t, s) + b;
}
// (b & d) | (c & ~d) as a sum of its two disjoint halves, which the processor can compute
// side by side.
inline void gg(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = rotl(a + x + t + (c & ~d) + (b & d), s) + b;
}
inline void hh(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = rotl(a + (b ^ c ^ d) + x + t, s) + b;
}
inline void ii(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = rotl(a + (c ^ (b | ~d)) + x + t, s) + b;
}

}  // namespace

Md5::Md5() : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u} {}

void Md5::compress(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = loadLe(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  ff(a, b, c, d, x[0], 7, 0xd76aa478);
  ff(d, a, b, c, x[1], 12, 0xe8c7b756);
  ff(c, d, a, b, x[2], 17, 0x242070db);
  ff(b, c, d, a, x[3], 22, 0xc1bdceee);
  ff(a, b, c, d, x[4], 7, 0xf57c0faf);
  ff(d, a, b, c, x[5], 12, 0x4787c62a);
  ff(c, d, a, b, x[6], 17, 0xa8304613);
  ff(b, c, d, a, x[7], 22, 0xfd469501);
  ff(a, b, c, d, x[8], 7, 0x698098d8);
  ff(d, a, b, c, x[9], 12, 0x8b44f7af);
  ff(c, d, a, b, x[10], 17, 0xffff5bb1);
  ff(b, c, d, a, x[11], 22, 0x895cd7be);
  ff(a, b, c, d, x[12], 7, 0x6b901122);
  ff(d, a, b, c, x[13], 12, 0xfd987193);
  ff(c, d, a, b, x[14], 17, 0xa679438e);
  ff(b, c, d, a, x[15], 22, 0x49b40821);

  gg(a, b, c, d, x[1], 5, 0xf61e2562);
  gg(d, a, b, c, x[6], 9, 0xc040b340);
  gg(c, d, a, b, x[11], 14, 0x265e5a51);
  gg(b, c, d, a, x[0], 20, 0xe9b6c7aa);
  gg(a, b, c, d, x[5], 5, 0xd62f105d);
  gg(d, a, b, c, x[10], 9, 0x02441453);
  gg(c, d, a, b, x[15], 14, 0xd8a1e681);
  gg(b, c, d, a, x[4], 20, 0xe7d3fbc8);
  gg(a, b, c, d, x[9], 5, 0x21e1cde6);
  gg(d, a, b, c, x[14], 9, 0xc33707d6);
  gg(c, d, a, b, x[3], 14, 0xf4d50d87);
  gg(b, c, d, a, x[8], 20, 0x455a14ed);
  gg(a, b, c, d, x[13], 5, 0xa9e3e905);
  gg(d, a, b, c, x[2], 9, 0xfcefa3f8);
  gg(c, d, a, b, x[7], 14, 0x676f02d9);
  gg(b, c, d, a, x[12], 20, 0x8d2a4c8a);

  hh(a, b, c, d, x[5], 4, 0xfffa3942);
  hh(d, a, b, c, x[8], 11, 0x8771f681);
  hh(c, d, a, b, x[11], 16, 0x6d9d6122);
  hh(b, c, d, a, x[14], 23, 0xfde5380c);
  hh(a, b, c, d, x[1], 4, 0xa4beea44);
  hh(d, a, b, c, x[4], 11, 0x4bdecfa9);
  hh(c, d, a, b, x[7], 16, 0xf6bb4b60);
  hh(b, c, d, a, x[10], 23, 0xbebfbc70);
  hh(a, b, c, d, x[13], 4, 0x289b7ec6);
  hh(d, a, b, c, x[0], 11, 0xeaa127fa);
  hh(c, d, a, b, x[3], 16, 0xd4ef3085);
  hh(b, c, d, a, x[6], 23, 0x04881d05);
  hh(a, b, c, d, x[9], 4, 0xd9d4d039);
  hh(d, a, b, c, x[12], 11, 0xe6db99e5);
  hh(c, d, a, b, x[15], 16, 0x1fa27cf8);
  hh(b, c, d, a, x[2], 23, 0xc4ac5665);

  ii(a, b, c, d, x[0], 6, 0xf4292244);
  ii(d, a, b, c, x[7], 10, 0x432aff97);
  ii(c, d, a, b, x[14], 15, 0xab9423a7);
  ii(b, c, d, a, x[5], 21, 0xfc93a039);
  ii(a, b, c, d, x[12], 6, 0x655b59c3);
  ii(d, a, b, c, x[3], 10, 0x8f0ccc92);
  ii(c, d, a, b, x[10], 15, 0xffeff47d);
  ii(b, c, d, a, x[1], 21, 0x85845dd1);
  ii(a, b, c, d, x[8], 6, 0x6fa87e4f);
  ii(d, a, b, c, x[15], 10, 0xfe2ce6e0);
  ii(c, d, a, b, x[6], 15, 0xa3014314);
  ii(b, c, d, a, x[13], 21, 0x4e0811a1);
  ii(a, b, c, d, x[4], 6, 0xf7537e82);
  ii(d, a, b, c, x[11], 10, 0xbd3af235);
  ii(c, d, a, b, x[2], 15, 0x2ad7d2bb);
  ii(b, c, d, a, x[9], 21, 0xeb86d391);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::update(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  length_ += size;
  if (pendingSize_ > 0) {
    size_t take = std::min(size, sizeof pending_ - pendingSize_);
    std::memcpy(pending_ + pendingSize_, p, take);
    pendingSize_ += take;
    p += take;
    size -= take;
    if (pendingSize_ < sizeof pending_) return;
    compress(pending_);
    pendingSize_ = 0;
  }
  for (; size >= 64; p += 64, size -= 64) compress(p);
  std::memcpy(pending_, p, size);
  pendingSize_ = size;
}

std::array<uint8_t, 16> Md5::finish() {
  uint64_t bits = length_ * 8;
  static const uint8_t kPadding[64] = {0x80};
  size_t padSize = pendingSize_ < 56 ? 56 - pendingSize_ : 120 - pendingSize_;
  update(kPadding, padSize);
  uint8_t tail[8];
  for (int i = 0; i < 8; ++i) tail[i] = uint8_t(bits >> (8 * i));
  update(tail, 8);
  std::array<uint8_t, 16> digest;
  for (int i = 0; i < 4; ++i) storeLe(digest.data() + 4 * i, state_[i]);
  return digest;
}

std::string upperHex(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string md5Hex(std::string_view bytes) {
  Md5 md5;
  md5.update(bytes.data(), bytes.size());
  auto digest = md5.finish();
  return upperHex(digest.data(), digest.size());
}

}  // namespace patching
