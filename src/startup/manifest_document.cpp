#include "startup/manifest_document.h"

namespace startup {

// Placeholders until the manifest reader exists.
bool parseManifest(ManifestDocument&, std::string_view) { return false; }
int manifestCount(const ManifestDocument&, const std::string&) { return 0; }
std::string manifestAttribute(const ManifestDocument&, const std::string&, const std::string&) { return {}; }

}  // namespace startup
