#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "startup/xml_reader.h"

namespace startup {

// The parsed update manifest; empty until a parse succeeds.
struct ManifestDocument {
  xml::Document xml;
};

// Parses GBK XML bytes into `doc`, replacing what it held; on failure `doc` is left empty.
bool parseManifest(ManifestDocument& doc, std::string_view bytes);
// Number of child elements of the node at `path` ("UpdateInfo/PatchList", "UpdateInfo/ServerList/@2");
// 0 when the path does not resolve or nothing is loaded.
int manifestCount(const ManifestDocument& doc, const std::string& path);
// The element at `path`, as an index into doc.xml.elements; nothing when the path does not resolve.
std::optional<uint32_t> manifestElement(const ManifestDocument& doc, const std::string& path);
// The attribute's text (entity references decoded, GBK bytes as they stand); empty when absent.
std::string manifestAttribute(const ManifestDocument& doc, const std::string& path, const std::string& attribute);

}  // namespace startup
