#include "startup/launcher_update.h"

#include "startup/startup_sequence.h"

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

}  // namespace

UpdateScriptKind batchScriptKind() { return {"update.bat", batchUpdateScript, "", "update.bat"}; }

UpdateScriptKind shellScriptKind() { return {"update.sh", shellUpdateScript, "/bin/sh", "sh update.sh"}; }

std::vector<std::string> restartArguments(const state::Options& options) {
  std::vector<std::string> words;
  if (options.headless) words.push_back("--headless");
  if (options.autoUpdate) words.push_back("--auto-update");
  if (options.autoStart) words.push_back("--auto-start");
  if (!options.runDir.empty()) words.insert(words.end(), {"--run-dir", options.runDir});
  if (!options.endpointsFile.empty()) words.insert(words.end(), {"--endpoints", options.endpointsFile});
  return words;
}

bool installLauncherUpdate(state::AppState& app, const std::string& newFile, const UpdateScriptKind& kind) {
  auto& files = app.platform.files;
  int64_t size = 0;
  if (!files.exists(newFile) || !files.fileSize(newFile, size) || size <= 0) return false;
  UpdateScriptInput input{app.executablePath, newFile, restartArguments(app.options)};
  std::string folder = folderOf(app.executablePath);
  // An old script that cannot be replaced must not run in place of this one.
  bool written = files.writeWhole(folder + kind.fileName, kind.build(input));
  files.deleteFile(newFile + ".work");
  if (written) startHidden(app, kind, folder);
  app.endProcess(0);
  return true;
}

bool installLauncherUpdate(state::AppState& app, const std::string& newFile) {
  return installLauncherUpdate(app, newFile, nativeScriptKind());
}

}  // namespace startup
