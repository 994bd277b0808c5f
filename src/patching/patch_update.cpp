#include "patching/patch_update.h"

#include <algorithm>

#include "patching/file_download.h"
#include "patching/check_code.h"
#include "patching/delta_download.h"
#include "patching/disk_room.h"
#include "patching/format_size.h"
#include "patching/manual_list.h"
#include "patching/patch_failures.h"
#include "patching/patch_install.h"
#include "patching/patch_paths.h"
#include "patching/patch_texts.h"
#include "patching/run_display.h"
#include "patching/running_game_guard.h"
#include "patching/signed_files.h"
#include "startup/cache_busting.h"
#include "startup/folder_access.h"
#include "support/support_notes.h"
#include "ui/component_names.h"

namespace patching {

namespace {

// A finished download whose CheckCode some file could match must match it: a file that
// arrived whole but is not the patch (an error page served with status 200, a file changed
// on the server) is never installed. Other codes are installed unchecked.
bool downloadMatchesCode(state::AppState& app, const std::string& tmpPath, const std::string& checkCode) {
  if (!isMatchableCode(checkCode)) return true;
  std::string code;
  return computeCheckCode(app.platform.files, tmpPath, checkCode, code) && code == checkCode;
}

// With keys, an entry's signed sha256 is the strong check of what arrived.
bool downloadMatches(state::AppState& app, const std::string& tmpPath, const PatchEntry& entry) {
  if (!downloadMatchesCode(app, tmpPath, entry.CheckCode)) return false;
  return !hasSignedDigest(app, entry) || fileMatchesSha256(app.platform.files, tmpPath, entry.sha256);
}

// With trust keys configured the signed size is the file's size: the engine takes no other.
int64_t signedSize(state::AppState& app, const PatchEntry& entry) {
  return app.endpoints.trustActive() ? std::max<int64_t>(parseSizeText(entry.size), 0) : 0;
}

// A ".tmp" without its ".work" is a finished download that could not be moved into place on
// an earlier run; it is installed as it stands when it matches the patch's CheckCode (and
// sha256). Without a code that can be matched it cannot be told from a preallocated file whose
// download broke off before its first record, so that patch is fetched again. One of another
// size than the entry's is no finished download of it and is not read (the download that
// follows replaces it).
bool finishedInCache(state::AppState& app, const std::string& tmpPath, const PatchEntry& entry) {
  auto& files = app.platform.files;
  bool checkable = isMatchableCode(entry.CheckCode) || hasSignedDigest(app, entry);
  bool begun = files.exists(tmpPath + ".work") || files.exists(tmpPath + ".delta");
  if (!checkable || !files.exists(tmpPath) || begun) return false;
  int64_t expected = parseSizeText(entry.size), cached = -1;
  if (expected > 0 && (!files.fileSize(tmpPath, cached) || cached != expected)) return false;
  return downloadMatches(app, tmpPath, entry);
}

const char* installOutcome(MoveResult moved, bool cached) {
  switch (moved) {
    case MoveResult::kMoved: return cached ? "installed from the download cache" : "installed";
    case MoveResult::kHeld: return "not installed, the file stays held";
    default: return "not installed";
  }
}

// Before the first download: the pending patches must fit on the client folder's volume.
bool enoughRoomForPatches(state::AppState& app) {
  if (roomOrMessage(app, roomForPatches(app, app.onlinePatches))) return true;
  app.end(state::Ending::kUpdateFailed);
  return false;
}

}  // namespace

void onStartUpdateClicked(state::AppState& app) {
  using namespace ui::names;
  app.window.setEnabled(kButtonStartUpdate, false);
  if (isGameRunning(app)) {
    app.log.write(support::refusalNote("the game is running, no update while it runs"));
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
  if (!isSafePatchLocation(entry))
    return failPatch(app, entry, texts::kUnsafeLocation,
                     "unsafe location, the name or its folder " + support::manifestText(entry.path) +
                         " leads out of the client folder or names a device");

  // With keys, a file the signed manifest does not vouch for is never fetched.
  std::string unverifiable = unverifiableCause(app, entry);
  if (!unverifiable.empty()) return failPatch(app, entry, texts::kUnverifiedPatch, unverifiable);

  std::string stamp = startup::cacheBustingStamp(app.platform.system);
  std::string url = downloadAddresses(entry.url, entry.mirrors, stamp);
  std::string target = app.downloadCacheFolder + app.platform.system.manifestFileName(entry.name);
  std::string tmpPath = target + ".tmp";
  bool cached = finishedInCache(app, tmpPath, entry);
  AssembledDigests digests;
  int result = cached ? patching::kComplete : downloadDelta(app, entry, stamp, target, index, count, digests);
  bool assembled = !cached && result == patching::kComplete;
  if (result == patching::kNotStarted) {
    app.downloadTask.expectSizeOfNextStart(signedSize(app, entry));
    result = download(app, url, target, index, count);
  }
  if (result == patching::kNotStarted)
    return failDownload(app, entry, target, texts::kTaskNotCreated, "the download did not start");
  if (result != patching::kComplete) {
    std::string cause;
    const char* message = incompleteMessage(app, texts::kDownloadIncomplete, cause);
    return failDownload(app, entry, target, message, cause);
  }

  if (!cached && !(assembled ? assembledMatches(app, tmpPath, entry, digests) : downloadMatches(app, tmpPath, entry))) {
    // Nothing of a wrong file is kept, so the next run fetches it afresh.
    files.deleteFile(tmpPath);
    files.deleteFile(tmpPath + ".work");
    return failPatch(app, entry, texts::kCheckCodeMismatch,
                     "check-code mismatch, the download does not have CheckCode " +
                         support::manifestText(entry.CheckCode));
  }
  createSubfolders(files, app.platform.system, app.clientFolder, entry.path);
  int retries = 0;
  MoveResult moved = moveIntoPlaceWaiting(files, app.platform.system, tmpPath, entry.localPath, retries, assembled);
  app.log.write(support::installNote(app.platform.system, entry.name, entry.localPath, retries,
                                     installOutcome(moved, cached)));
  if (moved != MoveResult::kMoved) return failMove(app, entry, tmpPath, moved);
  rememberInstalled(app, entry);
  return true;
}

void runPatchUpdate(state::AppState& app) { runPatchUpdate(app, patching::downloadFile); }

bool installOnlinePatches(state::AppState& app, const DownloadFunction& download) {
  int count = static_cast<int>(app.onlinePatches.size());
  // The first write of the run, the list of manual patches included.
  if (!startup::ensureWritableFolders(app)) return false;
  if (count > 0 && !enoughRoomForPatches(app)) return false;
  if (count > 0) beginRunDisplay(app, app.onlinePatches);
  for (int i = 0; i < count; ++i) {
    showPatchStarting(app, i);
    if (!installPatch(app, app.onlinePatches[i], i + 1, count, download)) return false;
    showPatchInstalled(app);
  }
  endRunDisplay(app);
  return true;
}

void runPatchUpdate(state::AppState& app, const DownloadFunction& download) {
  using namespace ui::names;
  int count = static_cast<int>(app.onlinePatches.size());
  if (!installOnlinePatches(app, download)) return;

  if (!app.manualPatches.empty()) {
    app.log.write("patches to download by hand: " + std::to_string(app.manualPatches.size()) + ", listed in " +
                  kManualListFile);
    writeAndOpenManualList(app);
    app.end(state::Ending::kAsAsked);
    return;
  }
  app.log.write("update finished, patches installed: " + std::to_string(count));
  app.window.setCaption(kLabelUpdateInfo, app.convert(texts::kUpdateFinished));
  app.window.setVisible(kButtonStartUpdate, false);
  app.window.setEnabled(kButtonStartGame, true);
}

}  // namespace patching
