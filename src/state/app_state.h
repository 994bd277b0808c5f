#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "state/options.h"
#include "state/run_ending.h"
#include "state/worker_threads.h"
#include "download/download_task.h"
#include "patching/patch_entry.h"
#include "patching/run_progress.h"
#include "platform/platform.h"
#include "startup/endpoints.h"
#include "startup/manifest_document.h"
#include "startup/server_entry.h"
#include "support/support_log.h"
#include "text/display_language.h"
#include "ui/window.h"

namespace state {

// The program-wide state: built once at process start, released by the one exit routine.
struct AppState {
  AppState(platform::Platform& platform, ui::Window& window, text::DisplayCode display)
      : platform(platform), window(window), display(display) {}
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  platform::Platform& platform;
  ui::Window& window;
  text::DisplayCode display;
  Options options;
  // Written from every thread; opened only once the client folder has proven writable.
  support::SupportLog log{platform.files, platform.system};

  std::string executablePath;       // GBK, the launcher's full path
  std::string clientFolder;         // the launcher's folder with a trailing '\'
  std::string downloadCacheFolder;  // clientFolder + "DownloadCache\"

  startup::Endpoints endpoints;
  startup::ManifestDocument manifestDocument;
  std::vector<startup::ServerEntry> serverList;
  // Bumped by every status check of a server line; a latency answer that arrives after a
  // newer check is dropped.
  std::atomic<uint32_t> probeGeneration{0};
  std::vector<patching::PatchEntry> onlinePatches;
  std::vector<patching::PatchEntry> manualPatches;
  download::DownloadTask downloadTask;

  // The running download, for the progress display: this file's number and the number of
  // files in the run, the shared end-state word (0 running, 2 incomplete, 3 complete), the
  // last speed sample in bytes per second, and the display hooks the end events call
  // (start both progress timers; stop them; refresh the progress line once).
  int downloadIndex = 0;
  int downloadCount = 0;
  std::atomic<int16_t> downloadState{0};
  std::atomic<int32_t> speedSample{0};
  std::function<void()> onDownloadStarted;
  std::function<void()> onDownloadEnded;
  std::function<void()> onDownloadRefresh;
  // The whole update run's totals and time left; window thread only (see run_display.h).
  patching::RunProgress runProgress;

  // Set by the remote-configuration worker after its last step.
  std::atomic<bool> workerFinished{false};
  // True while the patch worker runs (from the start-update click to its last step).
  std::atomic<bool> patchWorkerRunning{false};

  // Starts a background thread; the normal end of the program lets them finish first.
  // Tests replace it to keep threads inside the test.
  WorkerThreads workers;
  std::function<void(std::function<void()>)> spawn = [this](std::function<void()> body) {
    workers.start(std::move(body));
  };

  std::string convert(const std::string& gbk) const { return text::convertForDisplay(display, gbk); }
  void messageBox(const std::string& text) { window.messageBox(text); }
  bool question(const std::string& text) { return window.question(text); }
  void endProcess(int code) { platform.system.endProcess(code); }
  // Ends the process with the exit code of this ending in this mode (options.headless is
  // true whenever the console stands in for the window).
  void end(Ending ending) { endProcess(exitCodeFor(ending, options.headless)); }
};

}  // namespace state
