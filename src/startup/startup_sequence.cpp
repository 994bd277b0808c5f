#include "startup/startup_sequence.h"

#include "patching/patch_evaluation.h"
#include "patching/patch_repair.h"
#include "startup/announcement.h"
#include "startup/folder_access.h"
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
constexpr const char* kFolderUnspellable =
    "\xB5\xC7\xC2\xBD\xC6\xF7\xCB\xF9\xD4\xDA\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0\xC2\xB7\xBE\xB6\xBA\xAC\xD3\xD0\xB1\xBE\xCF\xB5\xCD\xB3\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0\xB5\xC4\xD7\xD6\xB7\xFB,"
    "\xC7\xEB\xB0\xD1\xD3\xCE\xCF\xB7\xBF\xCD\xBB\xA7\xB6\xCB\xB7\xC5\xB5\xBD\xD6\xBB\xBA\xAC\xD3\xA2\xCE\xC4\xD7\xD6\xC4\xB8\xBB\xF2\xCA\xFD\xD7\xD6\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0\xD6\xD0\xD4\xCB\xD0\xD0..";  // 登陆器所在的文件夹路径含有本系统无法识别的字符,请把游戏客户端放到只含英文字母或数字的文件夹中运行..
constexpr const char* kCheckingForUpdates = "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2......";  // 正在检查更新......
constexpr const char* kStatusCaption = "\xD7\xB4\xCC\xAC:";  // 状态:
constexpr const char* kTitle = "VeskoTalveria\xB5\xC7\xC2\xBC\xC6\xF7";  // VeskoTalveria登录器
constexpr const char* kManifestUnusable =
    "\xB6\xC1\xD4\xB6\xB3\xCC\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE\xB4\xED\xCE\xF3,\xC7\xEB\xC9\xD4\xBA\xF2\xD4\xD9\xCA\xD4"
    "\xC2\xF0\xA3\xAC\xBB\xF2\xCF\xC2\xD4\xD8\xD7\xEE\xD0\xC2\xB0\xE6\xB5\xC7\xC2\xBC\xC6\xF7\xB3\xA2\xCA\xD4...";  // 读远程配置文件错误,请稍候再试吗，或下载最新版登录器尝试...
constexpr const char* kManifestUnverified =
    "\xB8\xFC\xD0\xC2\xD0\xC5\xCF\xA2\xCE\xDE\xB7\xA8\xD1\xE9\xD6\xA4,\xBF\xC9\xC4\xDC\xD2\xD1\xB1\xBB\xB4\xDB\xB8\xC4,"
    "\xC7\xEB\xC9\xD4\xBA\xF3\xD4\xD9\xCA\xD4\xBB\xF2\xC1\xAA\xCF\xB5\xD3\xCE\xCF\xB7\xB9\xDC\xC0\xED\xD4\xB1!";  // 更新信息无法验证,可能已被篡改,请稍后再试或联系游戏管理员!
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

std::string fileNameOf(const std::string& path, const text::LeadBytes& lead) {
  size_t cut = text::lastSeparator(path, lead);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string folderOf(const std::string& path, const text::LeadBytes& lead) {
  size_t cut = text::lastSeparator(path, lead);
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
  uint32_t pid = findProcessId(app, fileNameOf(app.executablePath, app.platform.system.leadBytes()));
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
  // A folder the system's code page cannot spell has no path the ANSI calls could reach.
  if (app.executablePath.empty()) {
    app.messageBox(app.convert(kFolderUnspellable));
    app.end(state::Ending::kNotClientFolder);
    return;
  }
  app.clientFolder = folderOf(app.executablePath, app.platform.system.leadBytes());
  app.downloadCacheFolder = app.clientFolder + "DownloadCache\\";
  auto& files = app.platform.files;
  if (!files.exists(app.downloadCacheFolder)) files.createDirectory(app.downloadCacheFolder);
  if (!files.exists(app.clientFolder + "Client.exe")) {
    app.messageBox(app.convert(kNotInClientFolder));
    app.end(state::Ending::kNotClientFolder);
    return;
  }
  // Nothing is asked yet: whether the folders take files matters only once there is
  // something to write (ensureWritableFolders, before a download).
  startSupportLog(app);
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
  ManifestOutcome manifest = fetchCheckedManifest(app);
  if (manifest != ManifestOutcome::kUsable) {
    app.messageBox(app.convert(manifest == ManifestOutcome::kUnverified ? kManifestUnverified : kManifestUnusable));
    app.end(state::Ending::kNoManifest);
    return;
  }
  if (!selfUpdate(app)) return;
  loadServerList(app);
  if (app.options.verify)
    patching::verifyClient(app);
  else
    patching::evaluatePatchList(app);
  refreshServerStatus(app);
  app.workerFinished = true;
  app.window.post([] {});  // wakes the window thread so it sees the worker has finished
}

}  // namespace startup
