// libFuzzer target: any bytes through the manifest reader and its queries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "startup/manifest_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  startup::ManifestDocument doc;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!startup::parseManifest(doc, bytes)) {
    if (!doc.xml.empty()) __builtin_trap();  // a failed parse must leave nothing behind
    return 0;
  }
  int servers = startup::manifestCount(doc, "UpdateInfo/ServerList");
  for (int i = 1; i <= servers + 1 && i < 64; ++i) {
    std::string path = "UpdateInfo/ServerList/@" + std::to_string(i);
    for (const char* a : {"name", "Lip", "Lport"}) startup::manifestAttribute(doc, path, a);
  }
  int patches = startup::manifestCount(doc, "UpdateInfo/PatchList");
  for (int i = 1; i <= patches + 1 && i < 64; ++i)
    startup::manifestAttribute(doc, "UpdateInfo/PatchList/@" + std::to_string(i), "url");
  startup::manifestAttribute(doc, "UpdateInfo/Launcher", "ver");
  // Every attribute value is a slice of the document's own text.
  for (const auto& a : doc.xml.attributes)
    if (a.value.offset + a.value.length > doc.xml.text.size()) __builtin_trap();
  return 0;
}
