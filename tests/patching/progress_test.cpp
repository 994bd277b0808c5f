#include <gtest/gtest.h>

#include "download/download_engine.h"
#include "patching/download_event.h"
#include "patching/progress_display.h"
#include "patching_fixture.h"
#include "text/display_language.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using namespace ui::names;
using patching_test::gbk;

TEST(ProgressLine, FileNumberSizeAndSpeed) {
  patching_test::Launcher launcher;
  EXPECT_EQ(progressLine(launcher.app, 2, 3, 1048576, 1536),
            gbk("更新进度:2/3  当前补丁大小:1.00MB  当前下载速度:1.50KB/S"));
  EXPECT_EQ(progressLine(launcher.app, 1, 1, 0, 0), gbk("更新进度:1/1  当前补丁大小:0B  当前下载速度:0B/S"));
}

TEST(ProgressLine, LabelsAreConvertedForDisplay) {
  patching_test::Launcher launcher(text::DisplayCode::TC);
  std::string line = progressLine(launcher.app, 2, 3, 1048576, 1536);
  std::string expected = text::convertForDisplay(text::DisplayCode::TC, gbk("更新进度:")) + "2/3" +
                         text::convertForDisplay(text::DisplayCode::TC, gbk("  当前补丁大小:")) + "1.00MB" +
                         text::convertForDisplay(text::DisplayCode::TC, gbk("  当前下载速度:")) + "1.50KB/S";
  EXPECT_EQ(line, expected);
  EXPECT_NE(line, gbk("更新进度:2/3  当前补丁大小:1.00MB  当前下载速度:1.50KB/S"));
}

TEST(ProgressPercent, TruncatesAndCapsAtAHundred) {
  EXPECT_EQ(progressPercent(333, 1000), 33);
  EXPECT_EQ(progressPercent(999, 1000), 99);
  EXPECT_EQ(progressPercent(1000, 1000), 100);
  EXPECT_EQ(progressPercent(1200, 1000), 100);
  EXPECT_EQ(progressPercent(0, 0), 100);
  EXPECT_EQ(progressPercent(0, 1000), 0);
  // 29 / 100 * 100 is 28.999... in double precision.
  EXPECT_EQ(progressPercent(29, 100), 29);
  EXPECT_EQ(progressPercent(int64_t(3) << 40, int64_t(4) << 40), 75);
}

TEST(ShowProgress, SetsLinePercentageAndBar) {
  patching_test::Launcher launcher;
  launcher.app.downloadIndex = 1;
  launcher.app.downloadCount = 4;
  launcher.app.speedSample = 0;
  showProgress(launcher.app, 2048, 1024);
  EXPECT_EQ(launcher.component(kLabelUpdateInfo).caption,
            gbk("更新进度:1/4  当前补丁大小:2.00KB  当前下载速度:0B/S"));
  EXPECT_EQ(launcher.component(kLabelProgressPercent).caption, "50%");
  EXPECT_EQ(launcher.component(kProgressBar).position, 50);
}

TEST(ProgressTimers, AnIdlePeriodGivesASpeedOfZero) {
  patching_test::Launcher launcher;
  launcher.app.downloadIndex = 2;
  launcher.app.downloadCount = 3;
  launcher.app.speedSample = 1536;
  launcher.app.downloadTask.setTotalSize(1048576);
  refreshProgress(launcher.app);
  EXPECT_EQ(launcher.component(kLabelUpdateInfo).caption,
            gbk("更新进度:2/3  当前补丁大小:1.00MB  当前下载速度:1.50KB/S"));
  EXPECT_EQ(launcher.component(kLabelProgressPercent).caption, "0%");
  sampleSpeedAndSaveTask(launcher.app);  // no download running: nothing arrived
  EXPECT_EQ(launcher.app.speedSample.load(), 0);
  refreshProgress(launcher.app);
  EXPECT_EQ(launcher.component(kLabelUpdateInfo).caption,
            gbk("更新进度:2/3  当前补丁大小:1.00MB  当前下载速度:0B/S"));
}

TEST(ProgressHooks, StartAndStopBothTimersInOrder) {
  patching_test::Launcher launcher;
  bindProgressHooks(launcher.app);
  ASSERT_TRUE(launcher.app.onDownloadStarted && launcher.app.onDownloadEnded && launcher.app.onDownloadRefresh);
  launcher.app.onDownloadStarted();
  EXPECT_EQ(launcher.component(kTimerSaveTaskAndSpeed).interval, 1000);
  EXPECT_EQ(launcher.component(kTimerProgress).interval, 50);
  launcher.app.onDownloadEnded();
  EXPECT_EQ(launcher.component(kTimerSaveTaskAndSpeed).interval, 0);
  EXPECT_EQ(launcher.component(kTimerProgress).interval, 0);
  launcher.window.pump();
  std::vector<std::pair<std::string, int>> applied;
  for (const auto& a : launcher.backend.applied)
    if (a.change == ui::Change::Interval) applied.emplace_back(a.name, a.component.interval);
  EXPECT_EQ(applied, (std::vector<std::pair<std::string, int>>{
                         {kTimerSaveTaskAndSpeed, 1000}, {kTimerProgress, 50}, {kTimerSaveTaskAndSpeed, 0}, {kTimerProgress, 0}}));
  // The final refresh shows a complete empty file as done.
  launcher.app.downloadTask.setTotalSize(0);
  launcher.app.onDownloadRefresh();
  EXPECT_EQ(launcher.component(kLabelProgressPercent).caption, "100%");
  EXPECT_EQ(launcher.component(kProgressBar).position, 100);
}

TEST(ProgressPercent, AnEndedDownloadKeepsWhereItEnded) {
  struct Case {
    const char* what;
    DownloadCounts counts;  // state, total, received, learned, at end
    int percent;
  };
  const std::vector<Case> cases = {
      {"running", {1, 1000, 400, 1000, 0}, 40},
      {"failed part way, the engine reading 0", {kDownloadIncomplete, 1000, 0, 1000, 400}, 40},
      {"failed with every byte counted", {kDownloadIncomplete, 1000, 0, 1000, 1000}, 99},
      {"failed before any size was told", {kDownloadIncomplete, 0, 0, 0, 0}, 0},
      {"failed before its size, the last file's standing", {kDownloadIncomplete, 5000, 0, 0, 0}, 0},
      {"complete, the engine reading 0", {kDownloadComplete, 1000, 0, 1000, 1000}, 100},
      {"complete and empty", {kDownloadComplete, 0, 0, 0, 0}, 100},
  };
  for (const Case& c : cases) EXPECT_EQ(downloadPercent(c.counts), c.percent) << c.what;
}

TEST(ProgressHooks, AFailedDownloadsLastRefreshIsNotAFullBar) {
  patching_test::Launcher launcher;
  bindProgressHooks(launcher.app);
  launcher.window.setPosition(kProgressBar, 0);
  // The first download of the run fails before any answer: no size was ever told.
  onDownloadEvent(launcher.app, download::kEventEnded, 0, 0, 0, 0);
  EXPECT_EQ(launcher.app.downloadState.load(), kDownloadIncomplete);
  EXPECT_EQ(launcher.component(kLabelProgressPercent).caption, "0%");
  EXPECT_EQ(launcher.component(kProgressBar).position, 0);
}

}  // namespace
}  // namespace patching
