#include "text/gbk.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/conversion_tables.h"

namespace text {

namespace {

bool isGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

struct UnicodeToGbk {
  uint16_t codePoint;
  uint16_t gbk;
};

// Built once from the GBK table; where two codes share a code point the lower code wins.
const std::vector<UnicodeToGbk>& reverseTable() {
  static const std::vector<UnicodeToGbk> table = [] {
    std::vector<UnicodeToGbk> entries;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const int index = gbkTableIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        if (index < 0 || kGbkToUnicode[index] == 0) continue;
        entries.push_back({kGbkToUnicode[index], static_cast<uint16_t>(lead << 8 | trail)});
      }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const UnicodeToGbk& a, const UnicodeToGbk& b) { return a.codePoint < b.codePoint; });
    return entries;
  }();
  return table;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at pos; returns its length, or 0 when the sequence is
// malformed (truncated, overlong, a surrogate or beyond U+10FFFF).
size_t decodeUtf8(std::string_view s, size_t pos, uint32_t& cp) {
  const auto first = static_cast<unsigned char>(s[pos]);
  size_t length = 0;
  uint32_t minimum = 0;
  if (first < 0x80) {
    cp = first;
    return 1;
  } else if ((first & 0xE0) == 0xC0) {
    length = 2, cp = first & 0x1F, minimum = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, cp = first & 0x0F, minimum = 0x800;
  } else if ((first & 0xF8) == 0xF0) {
    length = 4, cp = first & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[pos + k]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string asciiLower(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (isGbkLead(byte)) {
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      s[i] = static_cast<char>(byte - 'A' + 'a');
    }
  }
  return s;
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  if (suffix.size() > s.size()) return false;
  const std::string folded = asciiLower(s);
  return folded.compare(folded.size() - suffix.size(), suffix.size(), asciiLower(suffix)) == 0;
}

std::string cutDoubleByte(const std::string& s, size_t limit) {
  size_t end = 0;
  while (end < s.size()) {
    size_t width = isGbkLead(static_cast<unsigned char>(s[end])) && end + 1 < s.size() ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return s.substr(0, end);
}

std::string gbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  size_t i = 0;
  while (i < gbk.size()) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    const int index = (isGbkLead(byte) && i + 1 < gbk.size())
                          ? gbkTableIndex(byte, static_cast<unsigned char>(gbk[i + 1]))
                          : -1;
    if (index < 0) {
      // Not a pair: only this byte is lost, so an ASCII byte after it survives.
      out += '?';
      ++i;
      continue;
    }
    const uint16_t cp = kGbkToUnicode[index];
    if (cp == 0) {
      out += '?';
    } else {
      appendUtf8(out, cp);
    }
    i += 2;
  }
  return out;
}

std::string utf8ToGbk(std::string_view utf8) {
  const auto& table = reverseTable();
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint32_t cp = 0;
    const size_t length = decodeUtf8(utf8, i, cp);
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    i += length;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    const auto found = std::lower_bound(table.begin(), table.end(), cp,
                                        [](const UnicodeToGbk& e, uint32_t key) { return e.codePoint < key; });
    if (found == table.end() || found->codePoint != cp) {
      out += '?';
      continue;
    }
    out += static_cast<char>(found->gbk >> 8);
    out += static_cast<char>(found->gbk & 0xFF);
  }
  return out;
}

}  // namespace text
