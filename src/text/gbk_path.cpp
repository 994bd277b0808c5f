#include "text/gbk_path.h"

#include <array>
#include <string_view>

namespace text {

namespace {

constexpr std::array<std::string_view, 7> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};

// Windows reads names through the system's code page and also takes COM and LPT with the
// superscripts U+00B9, U+00B2 and U+00B3 for ports. They arrive as one byte in the Western
// code pages (1252 and its kin) and as two in UTF-8; GBK has no such characters.
constexpr std::array<std::string_view, 6> kSuperscriptDigits = {"\xB9", "\xB2", "\xB3",
                                                                "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

bool isPortName(std::string_view base) {
  if (base.size() < 4 || (base.substr(0, 3) != "COM" && base.substr(0, 3) != "LPT")) return false;
  std::string_view number = base.substr(3);
  if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
  for (std::string_view digit : kSuperscriptDigits)
    if (number == digit) return true;
  return false;
}

}  // namespace

bool isDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (std::string_view device : kDevices)
    if (base == device) return true;
  return isPortName(base);
}

LeadBytes gbkLeadBytes() {
  LeadBytes lead;
  for (int c = 0x81; c <= 0xFE; ++c) lead.set(static_cast<size_t>(c));
  return lead;
}

size_t lastSeparator(const std::string& path, const LeadBytes& lead) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (lead.test(c) && i + 1 < path.size()) {
      ++i;  // the trail byte may be 0x5C and is still part of the character
    } else if (c == '\\') {
      found = i;
    }
  }
  return found;
}

}  // namespace text
