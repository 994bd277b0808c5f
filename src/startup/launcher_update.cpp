#include "startup/launcher_update.h"

#include "startup/startup_sequence.h"
#include "support/support_notes.h"

namespace startup {

namespace {

constexpr uint32_t kUseShowWindow = 1;  // STARTF_USESHOWWINDOW
constexpr uint16_t kHide = 0;           // SW_HIDE
constexpr int kIdleWaitMs = 1000;

void startHidden(state::AppState& app, const UpdateScriptKind& kind, const std::string& folder) {
  auto& starter = app.platform.starter;
  platform::ProcessRecord record;
  if (!starter.create(kind.application, kind.commandLine, folder, platform::StartupRecord{kUseShowWindow, kHide},
                      record))
    return;
  starter.waitForInputIdle(record.process, kIdleWaitMs);
  if (record.thread != 0) starter.closeHandle(record.thread);
  if (record.process != 0) starter.closeHandle(record.process);
}

bool isAbsolute(const std::string& path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  return path.size() >= 2 && path[1] == ':';
}

// The restarted launcher runs in its own folder, not in the one this run was started from.
std::string absoluteFrom(const std::string& folder, const std::string& path) {
  if (isAbsolute(path) || folder.empty()) return path;
  return folder.back() == '\\' ? folder + path : folder + "\\" + path;
}

}  // namespace

UpdateScriptKind batchScriptKind() { return {"update.bat", batchUpdateScript, "", "update.bat"}; }

UpdateScriptKind shellScriptKind() { return {"update.sh", shellUpdateScript, "/bin/sh", "sh update.sh"}; }

std::vector<std::string> restartArguments(const state::Options& options) {
  std::vector<std::string> words;
  if (options.headless) words.push_back("--headless");
  if (options.autoUpdate) words.push_back("--auto-update");
  if (options.autoStart) words.push_back("--auto-start");
  if (options.verify) words.push_back("--verify");
  if (!options.runDir.empty())
    words.insert(words.end(), {"--run-dir", absoluteFrom(options.startFolder, options.runDir)});
  if (!options.endpointsFile.empty())
    words.insert(words.end(), {"--endpoints", absoluteFrom(options.startFolder, options.endpointsFile)});
  return words;
}

bool installLauncherUpdate(state::AppState& app, const std::string& newFile, const UpdateScriptKind& kind) {
  auto& files = app.platform.files;
  int64_t size = 0;
  if (!files.exists(newFile) || !files.fileSize(newFile, size) || size <= 0) return false;
  text::LeadBytes lead = app.platform.system.leadBytes();
  UpdateScriptInput input{app.executablePath, newFile, restartArguments(app.options), lead,
                          app.platform.starter.systemDirectory()};
  std::string folder = folderOf(app.executablePath, lead);
  std::string script = app.platform.system.scriptText(kind.build(input));
  // An old script that cannot be replaced must not run in place of this one.
  bool written = files.writeWhole(folder + kind.fileName, script);
  files.deleteFile(newFile + ".work");
  app.log.write(written ? "launcher update: " + support::systemText(app.platform.system, kind.fileName) +
                              " replaces the launcher and starts it again"
                        : support::refusalNote("the launcher update script " +
                                               support::systemText(app.platform.system, folder + kind.fileName) +
                                               " could not be written"));
  if (written) startHidden(app, kind, folder);
  app.end(written ? state::Ending::kAsAsked : state::Ending::kUpdateFailed);
  return true;
}

bool installLauncherUpdate(state::AppState& app, const std::string& newFile) {
  return installLauncherUpdate(app, newFile, nativeScriptKind());
}

}  // namespace startup
