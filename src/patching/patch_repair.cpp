#include "patching/patch_repair.h"

#include "patching/current_checks.h"
#include "patching/file_download.h"
#include "patching/manual_list.h"
#include "patching/patch_evaluation.h"
#include "patching/patch_texts.h"
#include "patching/repair_check.h"
#include "patching/running_game_guard.h"
#include "startup/manifest_document.h"
#include "support/support_notes.h"
#include "ui/component_names.h"

namespace patching {

namespace {

// True (after the message) when the game runs: files it holds open cannot be replaced.
bool refusedWhileGameRuns(state::AppState& app) {
  if (!isGameRunning(app)) return false;
  app.log.write(support::refusalNote("the game is running, no repair while it runs"));
  app.messageBox(app.convert(texts::kQuitGameFirst));
  return true;
}

// Sorts the entries whose files failed their checks into the online and manual lists, noting
// why each failed; counts the files that only their header code vouches for.
void sortFailures(state::AppState& app, std::vector<PatchEntry>& entries, const std::vector<RepairFinding>& findings,
                  RepairTally& tally) {
  app.onlinePatches.clear();
  app.manualPatches.clear();
  tally.checked = static_cast<int>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    PatchEntry& e = entries[i];
    if (findings[i].whole()) {
      if (findings[i].check == RepairCheck::kHeader) ++tally.headerOnly;
      continue;
    }
    bool online = e.isupdate == "true";
    app.log.write("repair " +
                  support::evaluationNote(app.platform.system, e.name, e.localPath, online, findings[i].damage));
    (online ? app.onlinePatches : app.manualPatches).push_back(std::move(e));
  }
}

}  // namespace

bool repairPossible(const state::AppState& app) {
  return app.workerFinished && !app.patchWorkerRunning &&
         startup::manifestElement(app.manifestDocument, "UpdateInfo").has_value();
}

void startRepair(state::AppState& app) {
  if (!repairPossible(app)) {
    app.log.write(support::refusalNote("no repair while the configuration or an update runs"));
    return;
  }
  if (refusedWhileGameRuns(app)) return;
  // Pressing start-update while the repair installs would run a second update beside it.
  app.window.setEnabled(ui::names::kButtonStartUpdate, false);
  app.patchWorkerRunning = true;
  app.spawn([&app] {
    runRepair(app);
    app.patchWorkerRunning = false;
    app.window.post([] {});  // wakes the window thread so it sees the worker has finished
  });
}

bool runRepair(state::AppState& app) { return runRepair(app, patching::downloadFile, digestThreadCount()); }

bool runRepair(state::AppState& app, const DownloadFunction& download, unsigned digestThreads) {
  using namespace ui::names;
  app.log.write("repair started");
  app.window.setCaption(kLabelUpdateInfo, app.convert(texts::kRepairChecking));
  std::vector<PatchEntry> entries = readPatchEntries(app);
  std::vector<RepairFinding> findings = checkAllForRepair(app, entries, digestThreads);
  RepairTally tally;
  sortFailures(app, entries, findings, tally);
  bool failures = !app.onlinePatches.empty() || !app.manualPatches.empty();
  if (failures && !installOnlinePatches(app, download)) return false;
  tally.repaired = static_cast<int>(app.onlinePatches.size());

  if (!app.manualPatches.empty()) {
    app.log.write(repairLogText(tally) + ", " + std::to_string(app.manualPatches.size()) +
                  " to download by hand, listed in " + kManualListFile);
    writeAndOpenManualList(app);
    // A script asked for a whole client and did not get one.
    app.end(app.options.verify ? state::Ending::kUpdateFailed : state::Ending::kAsAsked);
    return false;
  }
  app.log.write(repairLogText(tally));
  app.window.setCaption(kLabelUpdateInfo, app.convert(repairResultText(tally)));
  // Every file the evaluation found needed failed its check here too and is now installed.
  app.window.setVisible(kButtonStartUpdate, false);
  return true;
}

void verifyClient(state::AppState& app) {
  if (refusedWhileGameRuns(app)) {
    app.end(state::Ending::kUpdateFailed);
    return;
  }
  runRepair(app);
}

}  // namespace patching
