#include "startup/xml_reader.h"

#include <algorithm>
#include <new>

#include "text/gbk.h"

namespace startup::xml {

namespace {

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isLead(unsigned char c) { return c >= 0x81; }
bool isNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
bool isNameChar(unsigned char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Bytes that end a plain run: in attribute values, and in element text.
struct StopTable {
  bool value[256] = {};
  bool text[256] = {};
  constexpr StopTable() {
    for (int c = 0x81; c < 256; ++c) value[c] = text[c] = true;
    for (unsigned char c : {'"', '\'', '&', '<', '\t', '\n', '\r'}) value[c] = true;
    for (unsigned char c : {'&', '<'}) text[c] = true;
  }
};
constexpr StopTable kStops;

bool isXmlChar(uint32_t cp) {
  if (cp == 0x9 || cp == 0xA || cp == 0xD) return true;
  if (cp < 0x20) return false;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

// A character reference as GBK bytes: ASCII as itself, anything else through the GBK table.
void appendCodePoint(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  std::string utf8;
  if (cp < 0x800) {
    utf8 += static_cast<char>(0xC0 | (cp >> 6));
  } else if (cp < 0x10000) {
    utf8 += static_cast<char>(0xE0 | (cp >> 12));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  } else {
    utf8 += static_cast<char>(0xF0 | (cp >> 18));
    utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  out += text::utf8ToGbk(utf8);
}

class Parser {
 public:
  Parser(std::string_view in, Document& doc) : in_(in), doc_(doc) {}

  bool run() {
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    // A byte-order mark left by an editor is not part of the text.
    if (in_.substr(0, kBom.size()) == kBom) pos_ = kBom.size();
    doc_.text.reserve(in_.size());
    if (!prolog() || !element() || !epilog()) return false;
    linkChildren();
    return true;
  }

 private:
  bool atEnd() const { return pos_ >= in_.size(); }
  unsigned char peek() const { return static_cast<unsigned char>(in_[pos_]); }
  bool startsWith(std::string_view s) const { return pos_ <= in_.size() && in_.compare(pos_, s.size(), s) == 0; }
  bool skipSpace() {
    size_t from = pos_;
    while (!atEnd() && isSpace(peek())) ++pos_;
    return pos_ != from;
  }

  // Moves past the next `end`, stepping over two-byte characters whole.
  bool skipPast(std::string_view end) {
    while (pos_ < in_.size()) {
      if (in_.compare(pos_, end.size(), end) == 0) {
        pos_ += end.size();
        return true;
      }
      pos_ += isLead(peek()) ? 2 : 1;
    }
    return false;
  }

  bool name(Document::Span& span) {
    size_t from = pos_;
    if (atEnd() || !isNameStart(peek())) return false;
    while (!atEnd() && isNameChar(peek())) {
      if (isLead(peek())) {
        if (pos_ + 1 >= in_.size()) return false;
        ++pos_;
      }
      ++pos_;
    }
    span = store(in_.substr(from, pos_ - from));
    return true;
  }

  Document::Span store(std::string_view bytes) {
    Document::Span s{static_cast<uint32_t>(doc_.text.size()), static_cast<uint32_t>(bytes.size())};
    doc_.text.append(bytes);
    return s;
  }

  // Comments, processing instructions and white space, which may stand anywhere outside the root.
  bool misc(bool& any) {
    any = true;
    if (skipSpace()) return true;
    if (startsWith("<!--")) {
      pos_ += 4;
      return skipPast("-->");
    }
    if (startsWith("<?")) {
      pos_ += 2;
      Document::Span target;
      if (!name(target)) return false;
      doc_.text.resize(target.offset);
      return skipPast("?>");
    }
    any = false;
    return true;
  }

  bool prolog() {
    bool sawDoctype = false;
    for (;;) {
      bool any = false;
      if (!misc(any)) return false;
      if (any) continue;
      if (!sawDoctype && startsWith("<!DOCTYPE")) {
        sawDoctype = true;
        if (!doctype()) return false;
        continue;
      }
      return !atEnd() && peek() == '<';
    }
  }

  // The DOCTYPE and its internal subset: brackets, quoted literals and comments inside it.
  bool doctype() {
    pos_ += 9;
    int depth = 0;
    while (!atEnd()) {
      unsigned char c = peek();
      if (c == '"' || c == '\'') {
        size_t close = in_.find(static_cast<char>(c), pos_ + 1);
        if (close == std::string_view::npos) return false;
        pos_ = close + 1;
      } else if (depth > 0 && startsWith("<!--")) {
        pos_ += 4;
        if (!skipPast("-->")) return false;
      } else if (c == '[') {
        ++depth;
        ++pos_;
      } else if (c == ']') {
        if (--depth < 0) return false;
        ++pos_;
      } else if (c == '>' && depth == 0) {
        ++pos_;
        return true;
      } else {
        pos_ += isLead(c) ? 2 : 1;
      }
    }
    return false;
  }

  bool epilog() {
    for (;;) {
      bool any = false;
      if (!misc(any)) return false;
      if (!any) return atEnd();
    }
  }

  // One reference after its '&', appended to `out`.
  bool reference(std::string& out) {
    size_t semi = in_.find(';', pos_);
    if (semi == std::string_view::npos || semi - pos_ > 32) return false;
    std::string_view ref = in_.substr(pos_, semi - pos_);
    pos_ = semi + 1;
    if (ref == "lt") return out.push_back('<'), true;
    if (ref == "gt") return out.push_back('>'), true;
    if (ref == "amp") return out.push_back('&'), true;
    if (ref == "apos") return out.push_back('\''), true;
    if (ref == "quot") return out.push_back('"'), true;
    if (ref.size() < 2 || ref[0] != '#') return false;
    bool hex = ref[1] == 'x';
    std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    uint32_t cp = 0;
    for (char d : digits) {
      int v = -1;
      if (d >= '0' && d <= '9') v = d - '0';
      else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      if (v < 0) return false;
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
      if (cp > 0x10FFFF) return false;
    }
    if (!isXmlChar(cp)) return false;
    appendCodePoint(cp, out);
    return true;
  }

  // A quoted attribute value after its opening quote: references decoded, line ends and tabs
  // read as blanks (as XML normalises attribute values), GBK characters copied whole.
  bool attributeValue(char quote, Document::Span& span) {
    std::string& out = doc_.text;
    span.offset = static_cast<uint32_t>(out.size());
    size_t run = pos_;
    while (!atEnd()) {
      unsigned char c = peek();
      if (!kStops.value[c] || (c != static_cast<unsigned char>(quote) && (c == '"' || c == '\''))) {
        ++pos_;
        continue;
      }
      if (isLead(c)) {
        if (pos_ + 1 >= in_.size()) return false;
        pos_ += 2;
        continue;
      }
      out.append(in_.substr(run, pos_ - run));
      if (c == static_cast<unsigned char>(quote)) {
        ++pos_;
        span.length = static_cast<uint32_t>(out.size() - span.offset);
        return true;
      }
      if (c == '<') return false;
      ++pos_;
      if (c == '&') {
        if (!reference(out)) return false;
      } else {
        if (c == '\r' && !atEnd() && peek() == '\n') ++pos_;
        out.push_back(' ');
      }
      run = pos_;
    }
    return false;
  }

  bool attributes(Document::Element& e) {
    e.firstAttribute = static_cast<uint32_t>(doc_.attributes.size());
    for (;;) {
      bool spaced = skipSpace();
      if (atEnd()) return false;
      if (peek() == '/' || peek() == '>') break;
      Document::Attribute a;
      if (!spaced || !name(a.name)) return false;
      skipSpace();
      if (atEnd() || peek() != '=') return false;
      ++pos_;
      skipSpace();
      if (atEnd() || (peek() != '"' && peek() != '\'')) return false;
      char quote = static_cast<char>(peek());
      ++pos_;
      if (!attributeValue(quote, a.value)) return false;
      doc_.attributes.push_back(a);
    }
    e.attributeCount = static_cast<uint32_t>(doc_.attributes.size()) - e.firstAttribute;
    return uniqueAttributeNames(e);
  }

  bool uniqueAttributeNames(const Document::Element& e) {
    if (e.attributeCount < 2) return true;
    const Document::Attribute* a = &doc_.attributes[e.firstAttribute];
    if (e.attributeCount <= 16) {
      for (uint32_t i = 1; i < e.attributeCount; ++i)
        for (uint32_t j = 0; j < i; ++j)
          if (a[i].name.length == a[j].name.length && doc_.view(a[i].name) == doc_.view(a[j].name)) return false;
      return true;
    }
    std::vector<std::string_view> names;
    names.reserve(e.attributeCount);
    for (uint32_t i = 0; i < e.attributeCount; ++i) names.push_back(doc_.view(doc_.attributes[e.firstAttribute + i].name));
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) == names.end();
  }

  // Element text: checked for well-formed references, then dropped.
  bool characterData() {
    std::string scratch;
    while (!atEnd() && peek() != '<') {
      unsigned char c = peek();
      if (!kStops.text[c]) {
        ++pos_;
      } else if (c == '&') {
        ++pos_;
        scratch.clear();
        if (!reference(scratch)) return false;
      } else {
        pos_ += isLead(c) ? 2 : 1;
      }
    }
    return !atEnd();
  }

  bool startTag(std::vector<uint32_t>& open) {
    if (doc_.elements.size() >= kMaxElements) return false;
    Document::Element e;
    e.sourceBegin = pos_;
    ++pos_;  // '<'
    if (!name(e.name) || !attributes(e)) return false;
    e.parent = open.empty() ? -1 : static_cast<int32_t>(open.back());
    uint32_t index = static_cast<uint32_t>(doc_.elements.size());
    if (e.parent >= 0) ++doc_.elements[static_cast<size_t>(e.parent)].childCount;
    bool selfClosing = peek() == '/';
    if (selfClosing) {
      ++pos_;
      if (atEnd() || peek() != '>') return false;
    }
    ++pos_;  // '>'
    e.sourceEnd = pos_;
    doc_.elements.push_back(e);
    if (!selfClosing) open.push_back(index);
    return true;
  }

  bool endTag(std::vector<uint32_t>& open) {
    pos_ += 2;  // "</"
    size_t from = pos_;
    while (!atEnd() && isNameChar(peek())) pos_ += isLead(peek()) ? 2 : 1;
    if (pos_ > in_.size()) return false;
    std::string_view closing = in_.substr(from, pos_ - from);
    skipSpace();
    if (atEnd() || peek() != '>') return false;
    ++pos_;
    Document::Element& e = doc_.elements[open.back()];
    if (closing != doc_.view(e.name)) return false;
    e.sourceEnd = pos_;
    open.pop_back();
    return true;
  }

  // The root element and everything inside it, without recursion so that nesting depth
  // costs heap, not stack.
  bool element() {
    std::vector<uint32_t> open;
    if (!startTag(open)) return false;
    while (!open.empty()) {
      if (!characterData()) return false;
      if (startsWith("</")) {
        if (!endTag(open)) return false;
      } else if (startsWith("<!--")) {
        pos_ += 4;
        if (!skipPast("-->")) return false;
      } else if (startsWith("<![CDATA[")) {
        pos_ += 9;
        if (!skipPast("]]>")) return false;
      } else if (startsWith("<?")) {
        bool any = false;
        if (!misc(any)) return false;
      } else if (!startTag(open)) {
        return false;
      }
    }
    return true;
  }

  // Lays out every element's children side by side so the n-th child is one look-up away.
  void linkChildren() {
    uint32_t next = 0;
    for (auto& e : doc_.elements) {
      e.firstChild = next;
      next += e.childCount;
    }
    doc_.children.assign(next, 0);
    std::vector<uint32_t> filled(doc_.elements.size(), 0);
    for (uint32_t i = 1; i < doc_.elements.size(); ++i) {
      auto parent = static_cast<uint32_t>(doc_.elements[i].parent);
      doc_.children[doc_.elements[parent].firstChild + filled[parent]++] = i;
    }
  }

  std::string_view in_;
  Document& doc_;
  size_t pos_ = 0;

 public:
  size_t position() const { return std::min(pos_, in_.size()); }
};

}  // namespace

void Document::clear() {
  text.clear();
  text.shrink_to_fit();
  elements.clear();
  elements.shrink_to_fit();
  attributes.clear();
  attributes.shrink_to_fit();
  children.clear();
  children.shrink_to_fit();
}

bool Document::attribute(uint32_t element, std::string_view attributeName, std::string_view& value) const {
  const Element& e = elements[element];
  for (uint32_t i = 0; i < e.attributeCount; ++i) {
    const Attribute& a = attributes[e.firstAttribute + i];
    if (view(a.name) == attributeName) {
      value = view(a.value);
      return true;
    }
  }
  return false;
}

bool parse(std::string_view bytes, Document& doc, size_t* stoppedAt) {
  doc.clear();
  if (stoppedAt) *stoppedAt = 0;
  // Offsets are 32-bit; a manifest of 4 GiB is not one.
  if (bytes.size() >= UINT32_MAX) return false;
  try {
    Parser parser(bytes, doc);
    if (parser.run()) return true;
    if (stoppedAt) *stoppedAt = parser.position();
  } catch (const std::bad_alloc&) {
  }
  doc.clear();
  return false;
}

}  // namespace startup::xml
