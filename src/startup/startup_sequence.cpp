#include "startup/startup_sequence.h"

#include "patching/patch_evaluation.h"
#include "startup/announcement.h"
#include "startup/manifest_fetch.h"
#include "startup/self_update.h"
#include "startup/server_list.h"
#include "text/gbk.h"
#include "text/gbk_path.h"
#include "ui/component_names.h"

namespace startup {

namespace {

constexpr const char* kNotInClientFolder =
    "\xC7\xEB\xB0\xD1\xB5\xC7\xC2\xBD\xC6\xF7\xB7\xC5\xB5\xBD\xD3\xCE\xCF\xB7\xBF\xCD\xBB\xA7\xB6\xCB\xD4\xCB\xD0\xD0..";  // 请把登陆器放到游戏客户端运行..
constexpr const char* kCheckingForUpdates = "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2......";  // 正在检查更新......
constexpr const char* kStatusCaption = "\xD7\xB4\xCC\xAC:";  // 状态:
constexpr const char* kTitle = "VeskoTalveria\xB5\xC7\xC2\xBC\xC6\xF7";  // VeskoTalveria登录器
constexpr const char* kManifestUnusable =
    "\xB6\xC1\xD4\xB6\xB3\xCC\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE\xB4\xED\xCE\xF3,\xC7\xEB\xC9\xD4\xBA\xF2\xD4\xD9\xCA\xD4"
    "\xC2\xF0\xA3\xAC\xBB\xF2\xCF\xC2\xD4\xD8\xD7\xEE\xD0\xC2\xB0\xE6\xB5\xC7\xC2\xBC\xC6\xF7\xB3\xA2\xCA\xD4...";  // 读远程配置文件错误,请稍候再试吗，或下载最新版登录器尝试...
constexpr const char* kTrayTooltip = "VKTALVERA LAUNCHER";
constexpr uint32_t kActivationBudgetMs = 100;

// The first visible window of `pid`, walking the top-level windows one per step and
// wrapping around, for at most 100 ms.
platform::WindowHandle findWindowOf(state::AppState& app, uint32_t pid) {
  auto& processes = app.platform.processes;
  auto& system = app.platform.system;
  uint32_t began = system.tickCount();
  platform::WindowHandle w = 0;
  while (system.tickCount() - began <= kActivationBudgetMs) {
    w = processes.nextTopLevelWindow(w);
    if (w != 0 && processes.windowExists(w) && processes.windowVisible(w) && processes.windowProcess(w) == pid)
      return w;
    processes.pumpMessages();
  }
  return 0;
}

}  // namespace

std::string fileNameOf(const std::string& path) {
  size_t cut = text::lastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string folderOf(const std::string& path) {
  size_t cut = text::lastSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

uint32_t findProcessId(state::AppState& app, const std::string& exeName) {
  std::vector<platform::ProcessEntry> entries;
  if (!app.platform.processes.snapshot(entries)) return 0;
  std::string wanted = text::asciiLower(exeName);
  for (const auto& e : entries)
    if (text::asciiLower(e.exeName) == wanted) return e.pid;
  return 0;
}

void activateRunningInstance(state::AppState& app) {
  uint32_t pid = findProcessId(app, fileNameOf(app.executablePath));
  if (pid == 0) return;
  platform::WindowHandle w = findWindowOf(app, pid);
  if (w != 0) app.platform.processes.activateWindow(w);
}

bool ensureSingleInstance(state::AppState& app, const std::string& name) {
  if (app.platform.instance.openExisting(name)) {
    activateRunningInstance(app);
    app.endProcess(0);
    return false;
  }
  app.platform.instance.create(name);
  return true;
}

void startupSequence(state::AppState& app) {
  using namespace ui::names;
  if (!ensureSingleInstance(app, kInstanceName)) return;
  app.clientFolder = folderOf(app.executablePath);
  app.downloadCacheFolder = app.clientFolder + "DownloadCache\\";
  auto& files = app.platform.files;
  if (!files.exists(app.downloadCacheFolder)) files.createDirectory(app.downloadCacheFolder);
  if (!files.exists(app.clientFolder + "Client.exe")) {
    app.messageBox(app.convert(kNotInClientFolder));
    app.endProcess(0);
    return;
  }
  app.window.setCaption(kLabelVersion, kLauncherVersionCaption);
  app.window.setEnabled(kButtonStartGame, false);
  app.window.setTray(true, kTrayTooltip);
  app.window.setCaption(kLabelUpdateInfo, app.convert(kCheckingForUpdates));
  app.window.setCaption(kLabelLatencyCaption, app.convert(kStatusCaption));
  app.window.setTitle(app.convert(kTitle));
  app.spawn([&app] { remoteConfigurationWorker(app); });
}

void remoteConfigurationWorker(state::AppState& app) {
  showAnnouncement(app);
  if (!fetchManifest(app)) {
    app.messageBox(app.convert(kManifestUnusable));
    app.endProcess(0);
    return;
  }
  if (!selfUpdate(app)) return;
  loadServerList(app);
  patching::evaluatePatchList(app);
  refreshServerStatus(app);
  app.workerFinished = true;
  app.window.post([] {});  // wakes the window thread so it sees the worker has finished
}

}  // namespace startup
