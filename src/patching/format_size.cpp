#include "patching/format_size.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace patching {

namespace {

// Two decimal places, half away from zero; the tiny addend lets values such as 1.005,
// which a double holds as 1.00499..., round up as written.
double roundTwoPlaces(double x) {
  double magnitude = std::fabs(x) * 100 + 1e-12;
  double whole = std::floor(magnitude);
  if (magnitude - whole >= 0.5) whole += 1;
  double rounded = whole / 100;
  return x < 0 ? -rounded : rounded;
}

// Shortest form with at most 13 significant digits, then exactly two decimals.
std::string twoDecimals(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", x);
  std::string s = buffer;
  size_t point = s.find('.');
  if (point == std::string::npos) return s + ".00";
  if (s.size() - point == 2) return s + "0";
  return s;
}

// One GBK character at `at` turned into ASCII when it is a full-width form (lead 0xA3, or
// the full-width space 0xA1 0xA1); `step` receives its length in bytes.
char asciiForm(const std::string& text, size_t at, size_t& step) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  step = 1;
  if (lead < 0x81 || at + 1 >= text.size()) return text[at];
  step = 2;
  unsigned char trail = static_cast<unsigned char>(text[at + 1]);
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
  if (lead == 0xA1 && trail == 0xA1) return ' ';
  return '\x01';  // any other two-byte character: neither space, sign nor digit
}

}  // namespace

std::string formatSize(int64_t v) {
  if (v >= 1073741824) return twoDecimals(roundTwoPlaces(static_cast<double>(v) / 1073741824)) + "G";
  if (v >= 1048576) return twoDecimals(roundTwoPlaces(static_cast<double>(v) / 1048576)) + "MB";
  if (v >= 1024) return twoDecimals(roundTwoPlaces(static_cast<double>(v) / 1024)) + "KB";
  return std::to_string(v) + "B";
}

int64_t parseSizeText(const std::string& text) {
  std::string ascii;
  for (size_t at = 0, step = 1; at < text.size(); at += step) ascii += asciiForm(text, at, step);

  size_t i = 0;
  while (i < ascii.size() && (ascii[i] == ' ' || (ascii[i] >= '\t' && ascii[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) negative = ascii[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9'; ++i) {
    int digit = ascii[i] - '0';
    if (value > (kMax - digit) / 10) return negative ? std::numeric_limits<int64_t>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

int64_t addSizes(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

}  // namespace patching
