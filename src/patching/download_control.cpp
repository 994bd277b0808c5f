#include "patching/download_control.h"

#include "patching/progress_display.h"

namespace patching {

namespace {

download::TransferControl& controlOf(const state::AppState& app) { return *app.downloadTask.control(); }

}  // namespace

void setSpeedLimit(state::AppState& app, int64_t bytesPerSecond) {
  if (bytesPerSecond < 0) bytesPerSecond = 0;
  controlOf(app).setRate(bytesPerSecond);
  app.log.write(bytesPerSecond > 0 ? "speed limit set: " + std::to_string(bytesPerSecond) + " bytes per second"
                                   : std::string("speed limit removed"));
}

int64_t speedLimit(const state::AppState& app) { return controlOf(app).rate(); }

void pauseDownloads(state::AppState& app) {
  // A pause asked for when nothing downloads (the download may have ended since the menu
  // opened) would hold the next download before it began.
  if (controlOf(app).paused() || !downloadRunning(app)) return;
  controlOf(app).pause();
  app.log.write("downloads paused");
  if (downloadRunning(app)) refreshProgress(app);
}

void resumeDownloads(state::AppState& app) {
  if (!controlOf(app).paused()) return;
  controlOf(app).resume();
  app.log.write("downloads resumed");
  if (downloadRunning(app)) refreshProgress(app);
}

bool downloadsPaused(const state::AppState& app) { return controlOf(app).paused(); }

bool downloadRunning(const state::AppState& app) { return app.downloadTask.engine().holdsTask(); }

}  // namespace patching
