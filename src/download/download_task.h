#pragma once

namespace download {

// The one download object of the process. (Filled in with the download engine.)
class DownloadTask {};

}  // namespace download
