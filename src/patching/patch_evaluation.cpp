#include "patching/patch_evaluation.h"

#include "patching/current_checks.h"
#include "patching/format_size.h"
#include "patching/patch_install.h"
#include "patching/patch_paths.h"
#include "patching/patch_texts.h"
#include "patching/signed_files.h"
#include "startup/manifest_document.h"
#include "startup/manifest_mirrors.h"
#include "support/support_notes.h"
#include "ui/component_names.h"

namespace patching {

namespace {

constexpr const char* kPatchList = "UpdateInfo/PatchList";

int64_t totalSize(const std::vector<PatchEntry>& entries) {
  int64_t sum = 0;
  for (const auto& e : entries) sum = addSizes(sum, parseSizeText(e.size));
  return sum;
}

// Why a patch that is not current is needed, for the support log.
std::string neededReason(state::AppState& app, const PatchEntry& e) {
  if (!isSafePatchLocation(e)) return "unsafe location";
  if (!app.platform.files.exists(e.localPath)) return "file missing";
  if (hasSignedDigest(app, e)) return "file differs from the signed size and sha256";
  return "file differs from CheckCode " + support::manifestText(e.CheckCode);
}

void noteEvaluation(state::AppState& app, const PatchEntry& e, bool current) {
  std::string reason = current ? std::string() : neededReason(app, e);
  app.log.write(support::evaluationNote(app.platform.system, e.name, e.localPath, e.isupdate == "true", reason));
}

// With keys, the entries whose files matched their signed digests make the new record, so
// that the next start need not read them; it is written only when it changed.
std::vector<CurrentCheck> checkWithKnownDigests(state::AppState& app, const std::vector<PatchEntry>& entries,
                                                unsigned digestThreads) {
  auto& files = app.platform.files;
  if (!app.endpoints.trustActive()) return checkEntries(files, entries, digestThreads, nullptr);
  std::string path = knownDigestsPath(app);
  KnownDigests known = KnownDigests::read(files, path);
  std::vector<CurrentCheck> checks = checkEntries(files, entries, digestThreads, &known);
  KnownDigests verified;
  for (size_t i = 0; i < entries.size(); ++i)
    if (checks[i].verified) verified.remember(entries[i].localPath, *checks[i].verified, entries[i].sha256);
  if (!(verified == known)) verified.write(files, path);
  return checks;
}

}  // namespace

std::vector<PatchEntry> readPatchEntries(state::AppState& app) {
  const auto& doc = app.manifestDocument;
  int count = startup::manifestCount(doc, kPatchList);
  std::vector<PatchEntry> entries;
  for (int i = 1; i <= count; ++i) {
    std::string node = std::string(kPatchList) + "/@" + std::to_string(i);
    PatchEntry e;
    e.name = startup::manifestAttribute(doc, node, "name");
    e.path = startup::manifestAttribute(doc, node, "path");
    e.size = startup::manifestAttribute(doc, node, "size");
    e.CheckCode = startup::manifestAttribute(doc, node, "CheckCode");
    e.url = startup::manifestAttribute(doc, node, "url");
    e.isupdate = startup::manifestAttribute(doc, node, "isupdate");
    e.sha256 = startup::manifestAttribute(doc, node, "sha256");
    e.mirrors = startup::manifestMirrors(doc, node, e.url);
    e.chunks = startup::manifestAttribute(doc, node, "chunks");
    e.chunks_sha256 = startup::manifestAttribute(doc, node, "chunks_sha256");
    e.localPath = systemLocalPath(app.platform.system, app.clientFolder, e);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string updateSummary(const std::vector<PatchEntry>& online, const std::vector<PatchEntry>& manual) {
  return std::string(texts::kSummaryOnline) + std::to_string(online.size()) + texts::kSummaryTotal +
         formatSize(totalSize(online)) + texts::kSummaryManual + std::to_string(manual.size()) +
         texts::kSummaryTotal + formatSize(totalSize(manual));
}

void evaluatePatchList(state::AppState& app) { evaluatePatchList(app, digestThreadCount()); }

void evaluatePatchList(state::AppState& app, unsigned digestThreads) {
  evaluateEntries(app, readPatchEntries(app), digestThreads);
}

void evaluateEntries(state::AppState& app, std::vector<PatchEntry> entries, unsigned digestThreads) {
  using namespace ui::names;
  app.onlinePatches.clear();
  app.manualPatches.clear();
  std::vector<CurrentCheck> checks = checkWithKnownDigests(app, entries, digestThreads);
  for (size_t i = 0; i < entries.size(); ++i) {
    noteEvaluation(app, entries[i], checks[i].current);
    if (checks[i].current) continue;
    auto& list = entries[i].isupdate == "true" ? app.onlinePatches : app.manualPatches;
    list.push_back(std::move(entries[i]));
  }
  app.log.write("evaluation: patches needed online " + std::to_string(app.onlinePatches.size()) + ", by hand " +
                std::to_string(app.manualPatches.size()));
  if (app.onlinePatches.empty() && app.manualPatches.empty()) {
    app.window.setCaption(kLabelUpdateInfo, texts::kNothingToUpdate);
    return;
  }
  app.window.setCaption(kLabelUpdateInfo, updateSummary(app.onlinePatches, app.manualPatches));
  // Enabled before it is shown: a click that comes the moment it appears disables it for
  // good, and must not be undone by a later enabling.
  app.window.setEnabled(kButtonStartUpdate, true);
  app.window.setVisible(kButtonStartUpdate, true);
}

}  // namespace patching
