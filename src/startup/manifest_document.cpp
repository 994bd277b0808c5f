#include "startup/manifest_document.h"

#include <optional>

namespace startup {

namespace {

// "@N" with N a decimal number of at least 1, as a 0-based child position.
std::optional<uint32_t> position(std::string_view component) {
  if (component.size() < 2 || component[0] != '@') return std::nullopt;
  uint64_t n = 0;
  for (char c : component.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
    if (n > UINT32_MAX) return std::nullopt;
  }
  if (n == 0) return std::nullopt;
  return static_cast<uint32_t>(n - 1);
}

// The element the path names: the root by name, then per component the first child of that
// name or the N-th child whatever its name.
std::optional<uint32_t> resolve(const xml::Document& d, std::string_view path) {
  if (d.empty()) return std::nullopt;
  size_t cut = path.find('/');
  if (path.substr(0, cut) != d.name(0)) return std::nullopt;
  uint32_t node = 0;
  while (cut != std::string_view::npos) {
    path.remove_prefix(cut + 1);
    cut = path.find('/');
    std::string_view component = path.substr(0, cut);
    uint32_t count = d.elements[node].childCount;
    if (auto n = position(component)) {
      if (*n >= count) return std::nullopt;
      node = d.child(node, *n);
      continue;
    }
    uint32_t i = 0;
    while (i < count && d.name(d.child(node, i)) != component) ++i;
    if (i == count) return std::nullopt;
    node = d.child(node, i);
  }
  return node;
}

}  // namespace

bool parseManifest(ManifestDocument& doc, std::string_view bytes) { return xml::parse(bytes, doc.xml); }

std::optional<uint32_t> manifestElement(const ManifestDocument& doc, const std::string& path) {
  return resolve(doc.xml, path);
}

int manifestCount(const ManifestDocument& doc, const std::string& path) {
  auto node = resolve(doc.xml, path);
  return node ? static_cast<int>(doc.xml.elements[*node].childCount) : 0;
}

std::string manifestAttribute(const ManifestDocument& doc, const std::string& path, const std::string& attribute) {
  auto node = resolve(doc.xml, path);
  std::string_view value;
  if (!node || !doc.xml.attribute(*node, attribute, value)) return {};
  return std::string(value);
}

}  // namespace startup
