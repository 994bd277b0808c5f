#include "patching/file_download.h"

#include "patching/download_event.h"

namespace patching {

namespace {

constexpr int32_t kLauncherConnections = 5;

}  // namespace

int downloadFile(state::AppState& app, const std::string& url, const std::string& target, int index, int count) {
  app.downloadState = 0;
  app.downloadIndex = index;
  app.downloadCount = count;
  download::DownloadTask& task = app.downloadTask;
  task.endSignal().clear();
  auto callback = [&app](int32_t code, int32_t a, int32_t b, int32_t c, int32_t id) {
    return onDownloadEvent(app, code, a, b, c, id);
  };
  if (!task.start(app.platform.files, url, target, callback, kLauncherConnections, true)) return kNotStarted;
  // Blocks on the end event instead of polling; the wait keeps this thread's messages moving.
  for (;;) {
    int16_t state = app.downloadState;
    if (state == kIncomplete || state == kComplete) return state;
    task.endSignal().waitServingMessages();
  }
}

}  // namespace patching
