#include "patching/running_game_guard.h"

#include "startup/startup_sequence.h"

namespace patching {

namespace {

constexpr const char* kClientExe = "Client.exe";
constexpr const char* kGameWindowClass = "Talveria";
constexpr const char* kBalloonWindowClass = "OrvanADBallon";
constexpr int kClassBufferLength = 50;

// A z-order that keeps changing while it is walked can lead the walk in a circle; no desktop
// has this many top-level windows, so the walk gives up there.
constexpr int kMaxWindowsWalked = 65536;

}  // namespace

platform::WindowHandle findProcessWindow(state::AppState& app, uint32_t pid, const std::string& titleFilter,
                                         bool anyVisibility) {
  auto& processes = app.platform.processes;
  platform::WindowHandle w = 0;
  for (int walked = 0; walked < kMaxWindowsWalked; ++walked) {
    w = processes.nextTopLevelWindow(w);
    if (w == 0) return 0;
    if (processes.windowProcess(w) != pid) continue;
    if (!anyVisibility && !processes.windowVisible(w)) continue;
    if (titleFilter.empty() || processes.windowTitle(w).find(titleFilter) != std::string::npos) return w;
  }
  return 0;
}

bool isGameRunning(state::AppState& app) {
  uint32_t pid = startup::findProcessId(app, kClientExe);
  if (pid == 0) return false;
  // The class is read into a buffer of spaces; when there is no visible window to read, the
  // buffer stays all spaces, and that too counts as the game running (it may not have shown
  // its window yet).
  const std::string blank(kClassBufferLength, ' ');
  std::string className = blank;
  platform::WindowHandle w = findProcessWindow(app, pid, "", false);
  std::string read;
  if (w != 0 && app.platform.processes.windowClassName(w, kClassBufferLength, read))
    className = read.substr(0, read.find('\0'));
  return className == kGameWindowClass || className == kBalloonWindowClass || className == blank;
}

}  // namespace patching
