#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "download/http_head.h"
#include "startup/manifest_document.h"
#include "state/app_state.h"

namespace fetchtool {

// A file the manifest offers, with every address it may be fetched from.
struct ReleaseFile {
  std::string name;
  std::vector<std::string> sources;  // its own address first, then the mirrors
  int64_t size = -1;                 // -1: the manifest gives none (the Launcher entry)
  std::string checkCode;             // empty: none to check
  std::string sha256;
};

// The PatchList entries in manifest order, then the Launcher file when one is offered.
std::vector<ReleaseFile> releaseFiles(const startup::ManifestDocument& doc);

// What one source said to a request for its first byte.
struct SourceFacts {
  std::string failure;  // no usable answer: why (no size, no ranges)
  int64_t size = -1;
  bool ranged = false;
  std::string rangeProblem;  // why ranges are not honoured
  std::string validator;     // ETag or Last-Modified; empty when neither
};
// Reads the answer to "Range: bytes=0-0": 206 with "bytes 0-0/<size>" honours ranges; 200
// gives the size but no ranges; anything else is no file.
SourceFacts factsFromHead(const download::ResponseHead& head);

// The codes of a file downloaded whole from one source.
struct FileCodes {
  std::string failure;    // the download did not complete: why
  std::string checkCode;  // computed as the entry's CheckCode is meant (MD5 or header code)
  std::string sha256;
};

// Asks the servers; the tool's own asks the network, tests give their answers.
class SourceAsker {
 public:
  virtual ~SourceAsker() = default;
  virtual SourceFacts ask(const std::string& address) = 0;
  virtual FileCodes download(const std::string& address, const std::string& checkCode) = 0;
};

enum class Verdict { ok, failed, unchecked };

struct CheckRow {
  std::string file;
  std::string source;
  Verdict size = Verdict::unchecked;
  Verdict ranges = Verdict::unchecked;
  Verdict digest = Verdict::unchecked;
  std::string validator;
  std::vector<std::string> reasons;
  bool passed() const { return size != Verdict::failed && ranges != Verdict::failed && digest != Verdict::failed; }
};

// Compares what one source said (and, when downloaded, what it served) with the manifest.
CheckRow checkSource(const ReleaseFile& file, const std::string& source, const SourceFacts& facts,
                     const FileCodes* codes);

// The table of rows with a header, one row per file and source.
std::string formatTable(const std::vector<CheckRow>& rows);
std::string summaryLine(const std::vector<CheckRow>& rows);

// Exit codes beside state::kExitNoManifest.
inline constexpr int kCheckPassed = 0;
inline constexpr int kCheckFailed = 1;

// Fetches the manifest as the launcher does (app.endpoints, with its trust keys), asks every
// source of every file (downloads each when `full`), and writes the table and the summary to
// `out`. 0 all passed, 1 a failure, state::kExitNoManifest when no usable manifest came.
int runReleaseCheck(state::AppState& app, SourceAsker& asker, bool full, std::string& out);

}  // namespace fetchtool
