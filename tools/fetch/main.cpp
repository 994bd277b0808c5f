// launcher-fetch URL TARGET [--keep-tmp] [--mirror URL]...
// Downloads URL (and the same file from each --mirror address) with five connections into
// TARGET.tmp exactly as the launcher does, saving the resumable state every second, and
// renames the result to TARGET when complete (unless --keep-tmp). An interrupted run resumes
// on the next start with the same TARGET.
// Exit code: 0 complete, 2 incomplete, 1 not started or bad arguments.
// launcher-fetch --check-release [--endpoints FILE] [--full]: see release_check_command.h.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/source_set.h"
#include "release_check_command.h"

#include "state/app_state.h"
#include "patching/file_download.h"
#include "patching/patch_texts.h"
#include "platform/platform.h"
#include "ui/window.h"

namespace {

// Saves the state file and takes the speed sample once a second while a download runs,
// as the launcher's progress timer does.
class StateSaver {
 public:
  explicit StateSaver(state::AppState& app) : app_(app), thread_([this] { run(); }) {}
  ~StateSaver() {
    {
      std::lock_guard guard(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void setRunning(bool running) { running_ = running; }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) {
      if (!running_) continue;
      int32_t speed = app_.downloadTask.takeSpeedSample();
      app_.downloadTask.saveState(app_.platform.files, "", false);
      std::fprintf(stderr, "%d/%d bytes, %d bytes/s\n", app_.downloadTask.receivedBytes(),
                   app_.downloadTask.getTotalSize(), speed);
    }
  }

  state::AppState& app_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: launcher-fetch URL TARGET [--keep-tmp] [--mirror URL]...\n"
      "       launcher-fetch --check-release [--endpoints FILE] [--full]\n";
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (fetchtool::asksForReleaseCheck(argc, argv))
    return fetchtool::checkReleaseCommand(std::vector<std::string>(argv + 1, argv + argc));
  if (argc < 3) {
    std::fputs(usage, stderr);
    return 1;
  }
  std::vector<std::string> addresses{argv[1]};
  std::string target = argv[2];
  bool keepTmp = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keep-tmp") == 0) {
      keepTmp = true;
    } else if (std::strcmp(argv[i], "--mirror") == 0 && i + 1 < argc) {
      addresses.push_back(argv[++i]);
    } else {
      std::fprintf(stderr, "launcher-fetch: unknown option %s\n", argv[i]);
      return 1;
    }
  }
  std::string url = download::joinAddresses(addresses);

  auto native = platform::makeNativePlatform();
  ui::Window window(text::DisplayCode::SC);
  state::AppState app(native->get(), window, text::DisplayCode::SC);
  int result = patching::kNotStarted;
  {
    StateSaver saver(app);
    app.onDownloadStarted = [&saver] { saver.setRunning(true); };
    app.onDownloadEnded = [&saver] { saver.setRunning(false); };
    result = patching::downloadFile(app, url, target, 1, 1);
  }
  std::printf("RESULT %d size=%d\n", result, app.downloadTask.getTotalSize());
  if (result == patching::kIncomplete) {
    // The message the launcher would show for it, in its GBK bytes.
    std::string cause;
    std::printf("MESSAGE %s\n", patching::incompleteMessage(app, patching::texts::kDownloadIncomplete, cause));
  }
  if (result != patching::kComplete) return result == patching::kIncomplete ? 2 : 1;
  if (!keepTmp) {
    app.platform.files.deleteFile(target);
    if (!app.platform.files.moveFile(target + ".tmp", target)) return 2;
  }
  return 0;
}
