#include <gtest/gtest.h>

#include "patching/file_download.h"
#include "patching/patch_update.h"
#include "patching/progress_display.h"
#include "patching/run_display.h"
#include "patching/run_totals.h"
#include "patching_fixture.h"

namespace patching {
namespace {

using patching_test::gbk;

TEST(RunTotals, SeveralFilesAddUp) {
  RunTotals t({1000, 3000, 0});
  EXPECT_EQ(t.totalBytes(), 4000);
  EXPECT_EQ(t.percent(), 0);
  t.startFile(0);
  t.setReceived(500);
  EXPECT_EQ(t.doneBytes(), 500);
  t.finishFile(true);
  t.startFile(1);
  t.learnSize(5000);  // the server's size wins over the manifest's
  t.setReceived(2000);
  EXPECT_EQ(t.totalBytes(), 6000);
  EXPECT_EQ(t.doneBytes(), 3000);
  EXPECT_EQ(t.remainingBytes(), 3000);
  EXPECT_EQ(t.percent(), 50);
  t.setReceived(0);  // a look after the end of the download
  EXPECT_EQ(t.doneBytes(), 3000);
  t.finishFile(true);
  t.startFile(2);  // no size in the manifest: counted once told
  t.learnSize(0);
  EXPECT_EQ(t.totalBytes(), 6000);
  t.learnSize(4000);
  t.setReceived(1000);
  EXPECT_EQ(t.totalBytes(), 10000);
  EXPECT_EQ(t.doneBytes(), 7000);
  t.finishFile(true);
  EXPECT_EQ(t.filesDone(), 3);
  EXPECT_EQ(t.remainingBytes(), 0);
  EXPECT_EQ(t.percent(), 100);
  EXPECT_FALSE(t.failed());
}

TEST(RunTotals, AFailedFileKeepsWhatArrived) {
  RunTotals t({1000, 1000});
  t.startFile(0);
  t.finishFile(true);
  t.startFile(1);
  t.setReceived(250);
  t.finishFile(false);
  EXPECT_TRUE(t.failed());
  EXPECT_EQ(t.filesDone(), 1);
  EXPECT_EQ(t.doneBytes(), 1250);
  EXPECT_EQ(t.remainingBytes(), 750);
  // A failure after the download (its check, its move) fails the run as well.
  RunTotals late({10});
  late.startFile(0);
  late.finishFile(false);
  EXPECT_TRUE(late.failed());
}

TEST(RunTotals, AFileLargerThanAnnouncedCountsWhatItHolds) {
  RunTotals t({100});
  t.startFile(0);
  t.setReceived(150);
  EXPECT_EQ(t.totalBytes(), 150);
  EXPECT_EQ(t.remainingBytes(), 0);
  RunTotals empty;
  EXPECT_EQ(empty.percent(), 100);
}

PatchEntry patch(const std::string& name, const std::string& size) {
  PatchEntry e;
  e.name = name;
  e.size = size;
  e.url = "http://127.0.0.1:1/" + name;
  e.localPath = "C:\\Game\\" + name;
  e.isupdate = "true";
  return e;
}

struct RunFixture : ::testing::Test {
  RunFixture() {
    launcher.app.log.open("C:\\Game\\launcher.log");
    bindProgressHooks(launcher.app);
  }
  ui::WindowProps props() { return launcher.window.windowProps(); }
  std::string log() {
    std::string bytes;
    launcher.files.readWhole("C:\\Game\\launcher.log", bytes);
    return bytes;
  }
  // One second of a download: `bytes` arrive, the file holds `onDisk`.
  void second(int64_t bytes, int64_t onDisk) {
    launcher.fake.system.tick += 1000;
    runProgressTick(launcher.app, onDisk);
    runSpeedSample(launcher.app, bytes);
  }
  patching_test::Launcher launcher;
};

TEST_F(RunFixture, BytesFoundOnDiskCountAsDoneButNotAsSpeed) {
  auto& app = launcher.app;
  app.window.setTray(true, "VKTALVERA LAUNCHER");
  beginRunDisplay(app, {patch("a.pak", "1000000"), patch("b.pak", "5000000")});
  showPatchStarting(app, 0);
  showPatchInstalled(app);  // found whole in the download cache
  showPatchStarting(app, 1);
  app.onDownloadStarted();  // the size event of b.pak, whose download resumes
  launcher.window.pump();
  app.downloadTask.setTotalSize(5000000);
  int64_t onDisk = 3000000;  // fetched by an earlier run
  for (int i = 0; i < 6; ++i) second(100000, onDisk += 100000);
  const RunProgress& run = app.runProgress;
  EXPECT_EQ(run.totals.doneBytes(), 4600000);
  EXPECT_EQ(run.totals.percent(), 76);
  EXPECT_DOUBLE_EQ(run.timeLeft.speed(), 100000);
  EXPECT_EQ(run.timeLeft.shown(), 15);  // 1.4 MB at 100 KB/s
  EXPECT_EQ(shownTrayTooltip(props()), gbk("总进度:76% 4.39MB/5.72MB 剩余约15秒"));
  EXPECT_EQ(props().taskbarState, ui::TaskbarState::Normal);
  EXPECT_EQ(props().taskbarPercent, 76);
}

TEST_F(RunFixture, TheTooltipAndTaskbarReturnAfterTheRun) {
  auto& app = launcher.app;
  app.window.setTray(true, "VKTALVERA LAUNCHER");
  beginRunDisplay(app, {patch("a.pak", "2048")});
  launcher.window.pump();
  EXPECT_EQ(shownTrayTooltip(props()), gbk("总进度:0% 0B/2.00KB"));
  EXPECT_EQ(props().trayTooltip, "VKTALVERA LAUNCHER");
  showPatchStarting(app, 0);
  showPatchInstalled(app);
  endRunDisplay(app);
  launcher.window.pump();
  EXPECT_EQ(shownTrayTooltip(props()), "VKTALVERA LAUNCHER");
  EXPECT_EQ(props().taskbarState, ui::TaskbarState::None);
  EXPECT_EQ(props().attentionRequests, 1);
  EXPECT_FALSE(app.runProgress.active);
  // Ticks that arrive after the run change nothing.
  runProgressTick(app, 100);
  runSpeedSample(app, 100);
  EXPECT_EQ(props().taskbarState, ui::TaskbarState::None);
  std::string text = log();
  EXPECT_NE(text.find("update run: 0 of 1 patches, 0B of 2.00KB (0%)"), std::string::npos) << text;
  EXPECT_NE(text.find("update run: 1 of 1 patches, 2.00KB of 2.00KB (100%)"), std::string::npos) << text;
  EXPECT_NE(text.find("update run finished: 1 of 1 patches, 2.00KB of 2.00KB (100%), 0B fetched in "),
            std::string::npos)
      << text;
}

TEST_F(RunFixture, AFailedPatchShowsTheErrorOnTheTaskbar) {
  auto& app = launcher.app;
  app.onlinePatches = {patch("a.pak", "1000"), patch("b.pak", "1000")};
  int calls = 0;
  runPatchUpdate(app, [&](state::AppState& a, const std::string&, const std::string& target, int, int) {
    launcher.window.pump();
    if (++calls == 2) {
      runProgressTick(a, 400);
      return kIncomplete;
    }
    a.platform.files.writeWhole(target + ".tmp", std::string(1000, 'x'));
    return kComplete;
  });
  launcher.window.pump();
  EXPECT_TRUE(launcher.ended());
  EXPECT_EQ(props().taskbarState, ui::TaskbarState::Error);
  EXPECT_EQ(props().taskbarPercent, 70);
  EXPECT_EQ(props().attentionRequests, 0);  // a failed update is no finished one
  EXPECT_NE(log().find("update run failed at 1 of 2 patches, 1.37KB of 1.95KB (70%)"), std::string::npos) << log();
}

}  // namespace
}  // namespace patching
