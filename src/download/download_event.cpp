#include "download/download_event.h"

#include "app/app_state.h"

namespace download {

int32_t onDownloadEvent(app::AppState& app, int32_t code, int32_t, int32_t b, int32_t, int32_t) {
  DownloadTask& task = app.downloadTask;
  if (code == kEventSizeKnown) {
    task.setTotalSize(b);
    task.setState(1);
    if (app.onDownloadStarted) app.onDownloadStarted();
  } else if (code == kEventEnded) {
    if (app.onDownloadEnded) app.onDownloadEnded();
    task.finish(app.platform.files);
    if (app.onDownloadRefresh) app.onDownloadRefresh();
    app.downloadState = static_cast<int16_t>(task.getState());
    task.endSignal().raise();
  }
  return 0;
}

}  // namespace download
