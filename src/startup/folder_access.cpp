#include "startup/folder_access.h"

#include "startup/launcher_version.h"
#include "support/support_notes.h"
#include "text/display_language.h"

namespace startup {

namespace {

constexpr const char* kNotWritablePrefix =
    "\xB5\xC7\xC2\xBC\xC6\xF7\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xCE\xC4\xBC\xFE\xBC\xD0: ";  // 登录器无法写入文件夹:
constexpr const char* kNotWritableQuestion =
    "\n\xB8\xFC\xD0\xC2\xD3\xCE\xCF\xB7\xD0\xE8\xD2\xAA\xD4\xDA\xD5\xE2\xC0\xEF\xB4\xB4\xBD\xA8\xA1\xA2\xB8\xC4\xC3\xFB"
    "\xBA\xCD\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE\xA1\xA3\xCA\xC7\xB7\xF1\xD2\xD4\xB9\xDC\xC0\xED\xD4\xB1\xC9\xED\xB7\xDD"
    "\xD6\xD8\xD0\xC2\xC6\xF4\xB6\xAF\xB5\xC7\xC2\xBC\xC6\xF7?";  // (newline)更新游戏需要在这里创建、改名和删除文件。是否以管理员身份重新启动登录器?
constexpr int kNameAttempts = 16;

// A probe name that is not taken in `folder`, from the tick count so that two launchers
// starting together rarely pick the same one.
std::string freeProbeName(platform::Files& files, platform::System& system, const std::string& folder) {
  uint32_t stamp = system.tickCount();
  for (int i = 0; i < kNameAttempts; ++i) {
    std::string base = folder + "~vktalv-probe-" + std::to_string(stamp + i);
    if (!files.exists(base + ".tmp") && !files.exists(base + ".renamed.tmp")) return base;
  }
  return {};
}

// The log goes into the client folder only once that folder has shown it takes files.
void openSupportLog(state::AppState& app) { app.log.open(app.clientFolder + support::kLogFileName); }

// A download cache that could not be made at start (the client folder refused it then) is
// made now, so that the check judges the folder itself rather than its absence.
bool cacheFolderReady(state::AppState& app) {
  auto& files = app.platform.files;
  return files.isDirectory(app.downloadCacheFolder) || files.createDirectory(app.downloadCacheFolder);
}

void offerElevatedRestart(state::AppState& app, const std::string& folder) {
  app.log.write(support::refusalNote(support::unwritableFolderCause(app.platform.system, folder)));
  // The folder is spelled in the system's code page, the message in the display's.
  std::string shownFolder = app.platform.system.displayText(folder.substr(0, folder.size() - 1),
                                                            text::displayCodePage(app.display));
  std::string text = app.convert(kNotWritablePrefix) + shownFolder + app.convert(kNotWritableQuestion);
  bool elevate = app.question(text);
  app.log.write(elevate ? "restarting with administrator rights" : "the player declined administrator rights");
  if (elevate) {
    // The new copy must not find this one's marker and end silently.
    app.platform.instance.release();
    app.platform.shell.runElevated(app.platform.system.executablePath(), app.options.arguments,
                                   app.options.startFolder);
  }
  app.end(elevate ? state::Ending::kAsAsked : state::Ending::kUpdateFailed);
}

}  // namespace

bool canChangeFilesIn(platform::Files& files, platform::System& system, const std::string& folder) {
  std::string base = freeProbeName(files, system, folder);
  if (base.empty()) return false;
  std::string created = base + ".tmp", renamed = base + ".renamed.tmp";
  if (!files.writeWhole(created, "probe")) return false;
  if (!files.moveFile(created, renamed)) {
    files.deleteFile(created);
    return false;
  }
  return files.deleteFile(renamed);
}

void startSupportLog(state::AppState& app) {
  app.log.write(support::startNote(app.platform.system, kLauncherVersion, text::displayCodeName(app.display),
                                   app.clientFolder));
  if (canChangeFilesIn(app.platform.files, app.platform.system, app.clientFolder)) openSupportLog(app);
}

bool ensureWritableFolders(state::AppState& app) {
  auto& files = app.platform.files;
  if (!canChangeFilesIn(files, app.platform.system, app.clientFolder)) {
    offerElevatedRestart(app, app.clientFolder);
    return false;
  }
  openSupportLog(app);
  if (!cacheFolderReady(app) || !canChangeFilesIn(files, app.platform.system, app.downloadCacheFolder)) {
    offerElevatedRestart(app, app.downloadCacheFolder);
    return false;
  }
  return true;
}

}  // namespace startup
