#include "text/byte_encodings.h"

#include <cstdint>

namespace text {

namespace {

constexpr const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string lowerHex(std::string_view bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::optional<std::string> fromHex(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    int high = hexValue(digits[i]), low = hexValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

std::string toBase64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t v = 0;
    for (size_t k = 0; k < 3; ++k)
      v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kBase64[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::optional<std::string> fromBase64(std::string_view encoded) {
  if (encoded.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(encoded.size() / 4 * 3);
  for (size_t i = 0; i < encoded.size(); i += 4) {
    bool last = i + 4 == encoded.size();
    size_t padding = 0;
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
      char c = encoded[i + k];
      // '=' only at the end of the last group, at most two of them.
      if (c == '=' && last && k >= 2 && (k == 3 || encoded[i + 3] == '=')) {
        ++padding;
        v <<= 6;
        continue;
      }
      int value = base64Value(c);
      if (value < 0 || padding > 0) return std::nullopt;
      v = v << 6 | static_cast<uint32_t>(value);
    }
    // Bits beyond the last whole byte must be zero: one spelling per byte string.
    if ((padding == 1 && (v & 0xFF) != 0) || (padding == 2 && (v & 0xFFFF) != 0)) return std::nullopt;
    out += static_cast<char>(v >> 16);
    if (padding < 2) out += static_cast<char>(v >> 8 & 0xFF);
    if (padding < 1) out += static_cast<char>(v & 0xFF);
  }
  return out;
}

}  // namespace text
