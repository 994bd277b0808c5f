// The whole-run display fed by a real download: the worker, the engine's threads and a
// window thread that ticks both timers all meet in it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "download/engine_fixture.h"
#include "download/task_state_blob.h"
#include "fakes/fake_platform.h"
#include "patching/file_download.h"
#include "patching/progress_display.h"
#include "patching/run_display.h"
#include "platform/posix/posix_files.h"
#include "state/app_state.h"
#include "ui/component_names.h"

namespace download {
namespace {

using dltest::TestServer;

struct WindowedLauncher {
  WindowedLauncher() {
    app.downloadTask.engine().setRules(dltest::quickRetries(1));
    patching::bindProgressHooks(app);
    auto& tick = window.events().tick;
    tick[ui::names::kTimerProgress] = [this] { patching::progressTick(app); };
    tick[ui::names::kTimerSaveTaskAndSpeed] = [this] { patching::sampleSpeedAndSaveTask(app); };
  }
  // Acts as the window thread until stop(): runs what was posted and fires both timers
  // while they are set, far faster than they would run.
  void startWindowThread() {
    windowThread = std::thread([this] {
      while (!stopping) {
        window.pump();
        window.raiseTimer(ui::names::kTimerProgress);
        window.raiseTimer(ui::names::kTimerSaveTaskAndSpeed);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      window.pump();
    });
  }
  void stop() {
    stopping = true;
    windowThread.join();
  }

  fakes::FakePlatform fake;
  platform::posix::PosixFiles files;
  platform::Platform bundle{fake.system, files,        fake.processes, fake.instance, fake.presence,
                            fake.http,   fake.network, fake.registry,  fake.shell,    fake.ini,
                            fake.shortcuts, fake.starter};
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{bundle, window, text::DisplayCode::SC};
  std::atomic<bool> stopping{false};
  std::thread windowThread;
};

patching::PatchEntry sized(int64_t size) {
  patching::PatchEntry e;
  e.name = "data.pak";
  e.size = std::to_string(size);
  return e;
}

TEST(RunProgressThreads, BytesFoundOnDiskAreDoneButOnlyArrivalsAreFetched) {
  dltest::TempFolder folder;
  std::string target = folder.path("data.pak");
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  {
    // An earlier run, ended once part of the file had arrived and its state was saved.
    WindowedLauncher first;
    std::thread worker([&] { patching::downloadFile(first.app, server.url(), target, 1, 1); });
    while (first.app.downloadTask.receivedBytes() < 200000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(first.app.downloadTask.saveState(first.files, "", false));
    first.app.downloadTask.engine().destroy();
    worker.join();
  }
  TaskState saved;
  ASSERT_TRUE(decodeTaskState(dltest::readFile(target + ".tmp.work"), saved));
  int64_t resumed = 0;
  for (const Segment& s : saved.segments) resumed += s.received;
  ASSERT_GT(resumed, 0);

  server.pauseMsPerWrite = 1;
  WindowedLauncher next;
  next.fake.system.tickStep = 7;  // time passes between the samples
  next.startWindowThread();
  patching::beginRunDisplay(next.app, {sized(900000)});
  patching::showPatchStarting(next.app, 0);
  int result = patching::downloadFile(next.app, server.url(), target, 1, 1);
  patching::showPatchInstalled(next.app);
  patching::RunProgress run;
  next.window.post([&] { run = next.app.runProgress; });
  patching::endRunDisplay(next.app);
  next.stop();

  EXPECT_EQ(result, patching::kComplete);
  EXPECT_EQ(run.totals.doneBytes(), 900000);
  EXPECT_EQ(run.totals.remainingBytes(), 0);
  // Every byte that arrived was sampled once, the last ones at the end event; none of those
  // already on disk.
  EXPECT_EQ(run.fetched, 900000 - resumed);
  ui::WindowProps props = next.window.windowProps();
  EXPECT_EQ(props.taskbarState, ui::TaskbarState::None);
  EXPECT_EQ(props.trayStatus, "");
  EXPECT_FALSE(next.app.runProgress.active);
}

}  // namespace
}  // namespace download
