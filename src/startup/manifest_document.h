#pragma once

namespace startup {

// The parsed update manifest. (Filled in by the manifest reader.)
struct ManifestDocument {};

}  // namespace startup
