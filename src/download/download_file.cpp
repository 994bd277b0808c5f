#include "download/download_file.h"

namespace download {

// Placeholder until the download engine exists.
int downloadFile(app::AppState&, const std::string&, const std::string&, int, int) { return kNotStarted; }

}  // namespace download
