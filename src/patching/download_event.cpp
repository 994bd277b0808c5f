#include "patching/download_event.h"

#include "state/app_state.h"

namespace patching {

int32_t onDownloadEvent(state::AppState& app, int32_t code, int32_t, int32_t b, int32_t, int32_t) {
  download::DownloadTask& task = app.downloadTask;
  if (code == download::kEventSizeKnown) {
    task.setTotalSize(b);
    task.setState(1);
    if (app.onDownloadStarted) app.onDownloadStarted();
  } else if (code == download::kEventEnded) {
    if (app.onDownloadEnded) app.onDownloadEnded();
    task.finish(app.platform.files);
    if (app.onDownloadRefresh) app.onDownloadRefresh();
    app.downloadState = static_cast<int16_t>(task.getState());
    task.endSignal().raise();
  }
  return 0;
}

}  // namespace patching
