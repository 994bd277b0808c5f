#include "release_check.h"

#include <algorithm>

#include "patching/check_code.h"
#include "patching/file_download.h"
#include "patching/format_size.h"
#include "startup/cache_busting.h"
#include "startup/manifest_fetch.h"
#include "startup/manifest_mirrors.h"

namespace fetchtool {

namespace {

constexpr const char* kPatchList = "UpdateInfo/PatchList";
constexpr const char* kLauncherNode = "UpdateInfo/Launcher";

ReleaseFile fileAt(const startup::ManifestDocument& doc, const std::string& node, const std::string& name) {
  ReleaseFile f;
  f.name = name;
  std::string url = startup::manifestAttribute(doc, node, "url");
  f.sources.push_back(url);
  for (std::string& mirror : startup::manifestMirrors(doc, node, url)) f.sources.push_back(std::move(mirror));
  std::string size = startup::manifestAttribute(doc, node, "size");
  if (!size.empty()) f.size = patching::parseSizeText(size);
  f.checkCode = startup::manifestAttribute(doc, node, "CheckCode");
  f.sha256 = startup::manifestAttribute(doc, node, "sha256");
  return f;
}

std::string verdictText(Verdict v) {
  switch (v) {
    case Verdict::ok: return "ok";
    case Verdict::failed: return "FAIL";
    default: return "-";
  }
}

// Compares the downloaded file's codes with those the manifest gives for it.
Verdict digestVerdict(const ReleaseFile& file, const FileCodes& codes, std::vector<std::string>& reasons) {
  if (!codes.failure.empty()) {
    reasons.push_back("download: " + codes.failure);
    return Verdict::failed;
  }
  bool checked = false, failed = false;
  if (!file.checkCode.empty()) {
    checked = true;
    if (!patching::isMatchableCode(file.checkCode)) {
      failed = true;
      reasons.push_back("CheckCode is not 16 or 32 upper-case hex digits");
    } else if (codes.checkCode != file.checkCode) {
      failed = true;
      reasons.push_back("CheckCode " + codes.checkCode + ", manifest " + file.checkCode);
    }
  }
  if (!file.sha256.empty()) {
    checked = true;
    if (codes.sha256 != file.sha256) {
      failed = true;
      reasons.push_back("sha256 " + codes.sha256.substr(0, 16) + "..., manifest " + file.sha256.substr(0, 16) + "...");
    }
  }
  if (!checked) return Verdict::unchecked;
  return failed ? Verdict::failed : Verdict::ok;
}

std::string withStamp(const std::string& source, const std::string& stamp) {
  return patching::downloadAddresses(source, {}, stamp);
}

}  // namespace

std::vector<ReleaseFile> releaseFiles(const startup::ManifestDocument& doc) {
  std::vector<ReleaseFile> files;
  int count = startup::manifestCount(doc, kPatchList);
  for (int i = 1; i <= count; ++i) {
    std::string node = std::string(kPatchList) + "/@" + std::to_string(i);
    // Shown by its place in the client folder, as an operator lays out the release.
    std::string path = startup::manifestAttribute(doc, node, "path");
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    std::string name = startup::manifestAttribute(doc, node, "name");
    files.push_back(fileAt(doc, node, path.empty() ? name : path + "/" + name));
  }
  if (!startup::manifestAttribute(doc, kLauncherNode, "url").empty()) {
    std::string name = startup::manifestAttribute(doc, kLauncherNode, "name");
    files.push_back(fileAt(doc, kLauncherNode, name.empty() ? "Launcher" : name));
  }
  return files;
}

SourceFacts factsFromHead(const download::ResponseHead& head) {
  SourceFacts facts;
  facts.validator = download::validatorOf(head);
  if (head.status == 206) {
    if (head.hasContentRange && head.rangeFirst == 0 && head.rangeLast == 0 && head.rangeTotal > 0) {
      facts.size = head.rangeTotal;
      facts.ranged = true;
    } else {
      facts.failure = "206 without a Content-Range of bytes 0-0/<size>";
    }
  } else if (head.status == 200) {
    facts.size = head.contentLength;
    facts.rangeProblem = "answered 200 (the whole file) to a range request";
    if (head.contentLength < 0) facts.failure = "200 without a Content-Length";
  } else {
    facts.failure = "HTTP " + std::to_string(head.status);
  }
  return facts;
}

CheckRow checkSource(const ReleaseFile& file, const std::string& source, const SourceFacts& facts,
                     const FileCodes* codes) {
  CheckRow row;
  row.file = file.name;
  row.source = source;
  row.validator = facts.validator;
  if (!facts.failure.empty()) {
    row.size = Verdict::failed;
    row.ranges = Verdict::failed;
    row.reasons.push_back(facts.failure);
    return row;
  }
  if (file.size >= 0) {
    row.size = facts.size == file.size ? Verdict::ok : Verdict::failed;
    if (row.size == Verdict::failed)
      row.reasons.push_back("size " + std::to_string(facts.size) + ", manifest " + std::to_string(file.size));
  }
  row.ranges = facts.ranged ? Verdict::ok : Verdict::failed;
  if (!facts.ranged) row.reasons.push_back(facts.rangeProblem);
  if (facts.validator.empty()) row.reasons.push_back("note: no ETag or Last-Modified");
  if (codes) row.digest = digestVerdict(file, *codes, row.reasons);
  return row;
}

std::string formatTable(const std::vector<CheckRow>& rows) {
  size_t fileWidth = 4, sourceWidth = 6;
  for (const CheckRow& r : rows) {
    fileWidth = std::max(fileWidth, r.file.size());
    sourceWidth = std::max(sourceWidth, r.source.size());
  }
  auto pad = [](std::string text, size_t width) { return text.append(width + 2 - std::min(width, text.size()), ' '); };
  std::string out = pad("file", fileWidth) + pad("source", sourceWidth) + "size  ranges  digest  reason\n";
  for (const CheckRow& r : rows) {
    std::string reason;
    for (const std::string& part : r.reasons) reason += (reason.empty() ? "" : "; ") + part;
    out += pad(r.file, fileWidth) + pad(r.source, sourceWidth) + pad(verdictText(r.size), 4) +
           pad(verdictText(r.ranges), 6) + pad(verdictText(r.digest), 6) + reason + "\n";
  }
  return out;
}

std::string summaryLine(const std::vector<CheckRow>& rows) {
  size_t failed = static_cast<size_t>(std::count_if(rows.begin(), rows.end(), [](const CheckRow& r) { return !r.passed(); }));
  std::string counts = std::to_string(rows.size()) + " file sources checked, " + std::to_string(failed) + " failed";
  return (failed == 0 ? "release check passed: " : "release check FAILED: ") + counts + "\n";
}

int runReleaseCheck(state::AppState& app, SourceAsker& asker, bool full, std::string& out) {
  if (startup::fetchCheckedManifest(app) != startup::ManifestOutcome::kUsable) {
    const startup::Endpoints& e = app.endpoints;
    out += "no usable manifest from " + e.manifestPrimary + ":" + std::to_string(e.manifestPrimaryPort) + " or " +
           e.manifestSecondary + ":" + std::to_string(e.manifestSecondaryPort) + "\n";
    return state::kExitNoManifest;
  }
  std::vector<CheckRow> rows;
  for (const ReleaseFile& file : releaseFiles(app.manifestDocument)) {
    for (const std::string& source : file.sources) {
      SourceFacts facts = asker.ask(withStamp(source, startup::cacheBustingStamp(app.platform.system)));
      if (!full || !facts.failure.empty()) {
        rows.push_back(checkSource(file, source, facts, nullptr));
        continue;
      }
      FileCodes codes = asker.download(withStamp(source, startup::cacheBustingStamp(app.platform.system)), file.checkCode);
      rows.push_back(checkSource(file, source, facts, &codes));
    }
  }
  out += formatTable(rows) + summaryLine(rows);
  bool allPassed = std::all_of(rows.begin(), rows.end(), [](const CheckRow& r) { return r.passed(); });
  return allPassed ? kCheckPassed : kCheckFailed;
}

}  // namespace fetchtool
