#include "patching/progress_display.h"

#include <limits>

#include "patching/format_size.h"
#include "patching/patch_texts.h"
#include "patching/run_display.h"
#include "ui/component_names.h"

namespace patching {

namespace {

constexpr int kSpeedTimerMs = 1000;
constexpr int kProgressTimerMs = 50;

}  // namespace

std::string progressLine(state::AppState& app, int index, int count, int64_t totalSize, int32_t speed) {
  return app.convert(texts::kProgress) + std::to_string(index) + "/" + std::to_string(count) +
         app.convert(texts::kProgressSize) + formatSize(totalSize) + app.convert(texts::kProgressSpeed) +
         formatSize(speed) + "/S";
}

int progressPercent(int64_t received, int64_t total) {
  if (received >= total) return 100;
  // In whole numbers: a double quotient such as 29 / 100 * 100 = 28.999... would show one
  // percent too little.
  if (received >= 0 && received <= std::numeric_limits<int64_t>::max() / 100)
    return static_cast<int>(received * 100 / total);
  return static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100);
}

void showProgress(state::AppState& app, int64_t totalSize, int64_t received) {
  using namespace ui::names;
  app.window.setCaption(kLabelUpdateInfo,
                        progressLine(app, app.downloadIndex, app.downloadCount, totalSize, app.speedSample.load()));
  int percent = progressPercent(received, totalSize);
  app.window.setCaption(kLabelProgressPercent, std::to_string(percent) + "%");
  app.window.setPosition(kProgressBar, percent);
}

void sampleSpeedAndSaveTask(state::AppState& app) {
  app.speedSample = app.downloadTask.takeSpeedSample();
  // A failed write is retried by the next tick.
  app.downloadTask.saveState(app.platform.files, "", false);
  runSpeedSample(app, app.speedSample.load());
}

void refreshProgress(state::AppState& app) {
  showProgress(app, app.downloadTask.getTotalSize(), app.downloadTask.receivedBytes());
}

void progressTick(state::AppState& app) {
  int32_t received = app.downloadTask.receivedBytes();
  showProgress(app, app.downloadTask.getTotalSize(), received);
  runProgressTick(app, received);
}

void bindProgressHooks(state::AppState& app) {
  using namespace ui::names;
  app.onDownloadStarted = [&app] {
    runDownloadStarted(app);
    app.window.setInterval(kTimerSaveTaskAndSpeed, kSpeedTimerMs);
    app.window.setInterval(kTimerProgress, kProgressTimerMs);
  };
  app.onDownloadEnded = [&app] {
    app.window.setInterval(kTimerSaveTaskAndSpeed, 0);
    app.window.setInterval(kTimerProgress, 0);
    runDownloadEnded(app);
  };
  app.onDownloadRefresh = [&app] { refreshProgress(app); };
}

}  // namespace patching
