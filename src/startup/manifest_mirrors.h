#pragma once
#include <string>
#include <vector>

#include "startup/manifest_document.h"

namespace startup {

// Further addresses of the file that the manifest node at `node` names with `url`: first
// those of the node's own `mirrors` attribute (addresses separated by '|'), then, when `url`
// begins with the `base` of the root's `MirrorList`, the same rest of the address under each
// of that list's `Mirror` bases, in document order. The file's own address and repeats are
// left out; none when the manifest names no alternates.
std::vector<std::string> manifestMirrors(const ManifestDocument& doc, const std::string& node, const std::string& url);

// The part of `url` after `base` when `url` lies under it (a base matches up to a '/', a
// '?' or the end of the address); false otherwise.
bool addressUnderBase(const std::string& url, const std::string& base, std::string& rest);

}  // namespace startup
