#include "patching/patch_update.h"

#include "patching/file_download.h"
#include "patching/check_code.h"
#include "patching/manual_list.h"
#include "patching/patch_install.h"
#include "patching/patch_paths.h"
#include "patching/patch_texts.h"
#include "patching/running_game_guard.h"
#include "startup/cache_busting.h"
#include "ui/component_names.h"

namespace patching {

namespace {

// The patch name followed directly by the converted message; the launcher then ends.
bool failPatch(state::AppState& app, const PatchEntry& entry, const char* message) {
  app.messageBox(entry.name + app.convert(message));
  app.endProcess(0);
  return false;
}

// A finished download whose CheckCode some file could match must match it: a file that
// arrived whole but is not the patch (an error page served with status 200, a file changed
// on the server) is never installed. Other codes are installed unchecked.
bool downloadMatchesCode(state::AppState& app, const std::string& tmpPath, const std::string& checkCode) {
  if (!isMatchableCode(checkCode)) return true;
  std::string code;
  return computeCheckCode(app.platform.files, tmpPath, checkCode, code) && code == checkCode;
}

}  // namespace

void onStartUpdateClicked(state::AppState& app) {
  using namespace ui::names;
  app.window.setEnabled(kButtonStartUpdate, false);
  if (isGameRunning(app)) {
    app.messageBox(app.convert(texts::kQuitGameFirst));
    return;
  }
  app.patchWorkerRunning = true;
  app.spawn([&app] {
    runPatchUpdate(app);
    app.patchWorkerRunning = false;
    app.window.post([] {});  // wakes the window thread so it sees the worker has finished
  });
}

bool installPatch(state::AppState& app, const PatchEntry& entry, int index, int count,
                  const DownloadFunction& download) {
  auto& files = app.platform.files;
  app.window.setPosition(ui::names::kProgressBar, 0);
  // The name is also the download cache name: neither may lead outside their folders.
  if (!isSafePatchLocation(entry)) return failPatch(app, entry, texts::kUnsafeLocation);

  std::string url = entry.url + "?t=" + startup::cacheBustingStamp(app.platform.system);
  std::string target = app.downloadCacheFolder + app.platform.system.manifestFileName(entry.name);
  int result = download(app, url, target, index, count);
  if (result == patching::kNotStarted) return failPatch(app, entry, texts::kTaskNotCreated);
  if (result != patching::kComplete) return failPatch(app, entry, texts::kDownloadIncomplete);

  std::string tmpPath = target + ".tmp";
  if (!downloadMatchesCode(app, tmpPath, entry.CheckCode)) {
    // Nothing of a wrong file is kept, so the next run fetches it afresh.
    files.deleteFile(tmpPath);
    files.deleteFile(tmpPath + ".work");
    return failPatch(app, entry, texts::kCheckCodeMismatch);
  }
  createSubfolders(files, app.platform.system, app.clientFolder, entry.path);
  if (!moveIntoPlace(files, tmpPath, entry.localPath)) return failPatch(app, entry, texts::kMoveFailed);
  return true;
}

void runPatchUpdate(state::AppState& app) { runPatchUpdate(app, patching::downloadFile); }

void runPatchUpdate(state::AppState& app, const DownloadFunction& download) {
  using namespace ui::names;
  int count = static_cast<int>(app.onlinePatches.size());
  for (int i = 0; i < count; ++i)
    if (!installPatch(app, app.onlinePatches[i], i + 1, count, download)) return;

  if (!app.manualPatches.empty()) {
    writeAndOpenManualList(app);
    app.endProcess(0);
    return;
  }
  app.window.setCaption(kLabelUpdateInfo, app.convert(texts::kUpdateFinished));
  app.window.setVisible(kButtonStartUpdate, false);
  app.window.setEnabled(kButtonStartGame, true);
}

}  // namespace patching
