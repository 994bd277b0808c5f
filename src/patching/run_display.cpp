#include "patching/run_display.h"

#include "patching/format_size.h"
#include "patching/patch_texts.h"
#include "patching/time_left_text.h"

namespace patching {

namespace {

// Runs `work` on the window thread with the run's state, while a run is going.
template <typename Work>
void onRun(state::AppState& app, Work work) {
  app.window.post([&app, work = std::move(work)]() mutable {
    if (app.runProgress.active) work(app.runProgress);
  });
}

void showTaskbar(state::AppState& app, const RunProgress& run) {
  ui::TaskbarState state = run.totals.failed() ? ui::TaskbarState::Error : ui::TaskbarState::Normal;
  app.window.setTaskbarProgress(state, run.totals.percent());
}

// `bytes` arrived in the period that ends `now`.
void addPeriod(state::AppState& app, RunProgress& run, uint32_t now, int64_t bytes) {
  run.timeLeft.addSample(now - run.periodStart, bytes);
  run.periodStart = now;
  run.fetched += bytes;
  run.timeLeft.update(run.totals.remainingBytes());
  app.window.setTrayStatus(runTooltip(app, run));
}

uint32_t secondsSince(state::AppState& app, uint32_t tick) {
  return (app.platform.system.tickCount() - tick) / 1000;
}

}  // namespace

std::string runTooltip(state::AppState& app, const RunProgress& run) {
  const RunTotals& t = run.totals;
  bool paused = app.downloadTask.control()->paused();
  std::string text = (paused ? app.convert(texts::kPausedMark) : std::string()) + app.convert(texts::kRunProgress) +
                     std::to_string(t.percent()) + "% " + formatSize(t.doneBytes()) + "/" + formatSize(t.totalBytes());
  // Paused, no time is left to tell.
  int64_t left = run.timeLeft.shown();
  if (left > 0 && !paused) text += " " + app.convert(timeLeftText(left));
  return text;
}

std::string runLogText(const RunProgress& run) {
  const RunTotals& t = run.totals;
  std::string text = std::to_string(t.filesDone()) + " of " + std::to_string(t.fileCount()) + " patches, " +
                     formatSize(t.doneBytes()) + " of " + formatSize(t.totalBytes()) + " (" +
                     std::to_string(t.percent()) + "%)";
  int64_t left = run.timeLeft.shown();
  if (left > 0) text += ", " + timeLeftLogText(left);
  return text;
}

void beginRunDisplay(state::AppState& app, const std::vector<PatchEntry>& patches) {
  std::vector<int64_t> sizes;
  for (const PatchEntry& p : patches) sizes.push_back(parseSizeText(p.size));
  uint32_t now = app.platform.system.tickCount();
  app.window.post([&app, sizes = std::move(sizes), now] {
    RunProgress& run = app.runProgress;
    run = RunProgress{};
    run.active = true;
    run.totals = RunTotals(sizes);
    run.startTick = now;
    run.periodStart = now;
    showTaskbar(app, run);
    app.window.setTrayStatus(runTooltip(app, run));
    app.log.write("update run: " + runLogText(run));
  });
}

void showPatchStarting(state::AppState& app, int index) {
  onRun(app, [index](RunProgress& run) { run.totals.startFile(index); });
}

void showPatchInstalled(state::AppState& app) {
  onRun(app, [&app](RunProgress& run) {
    run.totals.finishFile(true);
    run.timeLeft.update(run.totals.remainingBytes());
    showTaskbar(app, run);
    app.window.setTrayStatus(runTooltip(app, run));
    app.log.write("update run: " + runLogText(run));
  });
}

void showRunFailed(state::AppState& app) {
  onRun(app, [&app](RunProgress& run) {
    run.totals.finishFile(false);
    run.timeLeft.update(0);
    showTaskbar(app, run);
    app.log.write("update run failed at " + runLogText(run));
  });
}

void endRunDisplay(state::AppState& app) {
  onRun(app, [&app](RunProgress& run) {
    run.active = false;
    run.timeLeft.update(0);
    app.window.setTaskbarProgress(ui::TaskbarState::None, 0);
    app.window.setTrayStatus("");
    app.window.requestAttention();
    app.log.write("update run finished: " + runLogText(run) + ", " + formatSize(run.fetched) + " fetched in " +
                  std::to_string(secondsSince(app, run.startTick)) + " s");
  });
}

void runDownloadStarted(state::AppState& app) {
  uint32_t now = app.platform.system.tickCount();
  onRun(app, [now](RunProgress& run) { run.periodStart = now; });
}

void runDownloadEnded(state::AppState& app) {
  // The bytes since the last sample, which no timer tick takes any more.
  int64_t bytes = app.downloadTask.takeSpeedSample();
  uint32_t now = app.platform.system.tickCount();
  onRun(app, [&app, now, bytes](RunProgress& run) { addPeriod(app, run, now, bytes); });
}

void runProgressTick(state::AppState& app, int64_t received) {
  RunProgress& run = app.runProgress;
  if (!run.active) return;
  run.totals.learnSize(app.downloadTask.learnedSize());
  run.totals.setReceived(received);
  showTaskbar(app, run);
}

void runSpeedSample(state::AppState& app, int64_t bytes) {
  RunProgress& run = app.runProgress;
  if (!run.active) return;
  addPeriod(app, run, app.platform.system.tickCount(), bytes);
}

}  // namespace patching
