#include "patching/progress_display.h"

#include <algorithm>
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

int downloadPercent(const DownloadCounts& counts) {
  switch (counts.state) {
    case kDownloadComplete: return progressPercent(counts.atEnd, counts.total);
    case kDownloadIncomplete:
      // A download that never learnt its size has no position of its own (the total may
      // still be another file's); one that did keeps where it ended, short of complete.
      if (counts.learned <= 0) return 0;
      return std::min(progressPercent(counts.atEnd, counts.total), 99);
    default: return progressPercent(counts.received, counts.total);
  }
}

namespace {

void showLineAndPercent(state::AppState& app, int64_t totalSize, int percent) {
  using namespace ui::names;
  bool paused = app.downloadTask.control()->paused();
  app.window.setCaption(kLabelUpdateInfo,
                        paused ? app.convert(texts::kDownloadsPaused)
                               : progressLine(app, app.downloadIndex, app.downloadCount, totalSize,
                                              app.speedSample.load()));
  app.window.setCaption(kLabelProgressPercent, std::to_string(percent) + "%");
  app.window.setPosition(kProgressBar, percent);
}

}  // namespace

void showProgress(state::AppState& app, int64_t totalSize, int64_t received) {
  showLineAndPercent(app, totalSize, progressPercent(received, totalSize));
}

void sampleSpeedAndSaveTask(state::AppState& app) {
  app.speedSample = app.downloadTask.takeSpeedSample();
  // A failed write is retried by the next tick.
  app.downloadTask.saveState(app.platform.files, "", false);
  runSpeedSample(app, app.speedSample.load());
}

namespace {

DownloadCounts countsOf(download::DownloadTask& task) {
  DownloadCounts counts;
  counts.state = task.getState();
  counts.total = task.getTotalSize();
  counts.received = task.receivedBytes();
  counts.learned = task.learnedSize();
  counts.atEnd = task.bytesAtEnd();
  return counts;
}

}  // namespace

void refreshProgress(state::AppState& app) {
  DownloadCounts counts = countsOf(app.downloadTask);
  showLineAndPercent(app, counts.total, downloadPercent(counts));
}

void progressTick(state::AppState& app) {
  DownloadCounts counts = countsOf(app.downloadTask);
  showLineAndPercent(app, counts.total, downloadPercent(counts));
  runProgressTick(app, counts.received);
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
