#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace startup::xml {

// A parsed document: elements and their attributes, nothing else. Texts are byte strings in the
// GBK code page, kept in one buffer; element 0 is the root.
struct Document {
  struct Span {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  struct Attribute {
    Span name;
    Span value;  // references decoded
  };
  struct Element {
    Span name;
    uint32_t firstAttribute = 0;
    uint32_t attributeCount = 0;
    uint32_t firstChild = 0;  // index into `children`
    uint32_t childCount = 0;
    int32_t parent = -1;
    size_t sourceBegin = 0;  // the element's bytes in the parsed input, from its '<' to past its last '>'
    size_t sourceEnd = 0;
  };

  std::string text;
  std::vector<Element> elements;  // in document order
  std::vector<Attribute> attributes;
  std::vector<uint32_t> children;  // the children of each element side by side, in document order

  bool empty() const { return elements.empty(); }
  void clear();
  std::string_view view(Span s) const { return std::string_view(text).substr(s.offset, s.length); }
  std::string_view name(uint32_t element) const { return view(elements[element].name); }
  // The n-th child element (0-based); the caller keeps n below childCount.
  uint32_t child(uint32_t element, uint32_t n) const { return children[elements[element].firstChild + n]; }
  // The attribute's value; false when the element has no attribute of that exact name.
  bool attribute(uint32_t element, std::string_view attributeName, std::string_view& value) const;
};

// More elements than any manifest holds; a document with more is refused before it can cost
// memory in proportion to a hostile answer.
inline constexpr size_t kMaxElements = 100000;

// Parses XML whose text is GBK bytes: a byte of 0x81 or above starts a two-byte character whose
// second byte is never markup, and no other decoding takes place except that entity and
// character references in attribute values are decoded (character references above 0x7F become
// GBK). Comments, processing instructions, CDATA sections, element text and a DOCTYPE are
// checked and skipped. Returns false, with `doc` empty, for anything that is not well-formed,
// that has more than kMaxElements elements, or that cannot be held in memory. On failure
// `stoppedAt`, when given, is the offset at which reading stopped (where an operator looks).
bool parse(std::string_view bytes, Document& doc, size_t* stoppedAt = nullptr);

}  // namespace startup::xml
