#include "release_check_command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "patching/check_code.h"
#include "patching/file_download.h"
#include "platform/platform.h"
#include "range_probe.h"
#include "release_check.h"
#include "startup/endpoints.h"
#include "ui/window.h"

namespace fetchtool {

namespace {

constexpr const char* kUsage = "usage: launcher-fetch --check-release [--endpoints FILE] [--full]\n";

// The network as the launcher meets it: a probe through its connection path, and whole
// downloads through its engine into a folder of the check's own.
class NetworkAsker : public SourceAsker {
 public:
  NetworkAsker(state::AppState& app, std::string folder) : app_(app), folder_(std::move(folder)) {}

  SourceFacts ask(const std::string& address) override {
    ProbeAnswer answer = askRange(address, 0, 0);
    if (!answer.failure.empty()) {
      SourceFacts facts;
      facts.failure = answer.failure;
      return facts;
    }
    return factsFromHead(answer.head);
  }

  FileCodes download(const std::string& address, const std::string& checkCode) override {
    std::string target = folder_ + "file" + std::to_string(++count_);
    std::string partial = target + ".tmp";
    FileCodes codes;
    int result = patching::downloadFile(app_, address, target, 1, 1);
    if (result != patching::kComplete) {
      codes.failure = result == patching::kIncomplete ? "incomplete" : "did not start";
    } else {
      auto& files = app_.platform.files;
      if (!checkCode.empty()) patching::computeCheckCode(files, partial, checkCode, codes.checkCode);
      patching::fileSha256Hex(files, partial, codes.sha256);
    }
    app_.platform.files.deleteFile(partial);
    app_.platform.files.deleteFile(partial + ".work");
    return codes;
  }

 private:
  state::AppState& app_;
  std::string folder_;
  int count_ = 0;
};

// A fresh folder of the check's own under the system's temporary folder: the serial the
// manifest check keeps and the downloaded files go there, never into the operator's folders.
std::filesystem::path makeWorkFolder() {
  std::error_code error;
  std::random_device random;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  for (int attempt = 0; attempt < 100 && !error; ++attempt) {
    std::filesystem::path folder = base / ("launcher-check-" + std::to_string(random()) + std::to_string(attempt));
    if (std::filesystem::create_directory(folder, error)) return folder;
  }
  return {};
}

bool applyEndpointsFile(platform::Platform& p, const std::string& path, startup::Endpoints& endpoints) {
  std::string bytes, problem;
  if (!p.files.readWhole(path, bytes))
    problem = "cannot read the file";
  else if (!startup::applyEndpointsText(bytes, endpoints, problem))
    problem = "not usable: " + problem;
  if (problem.empty()) return true;
  std::fprintf(stderr, "launcher-fetch: --endpoints %s: %s\n", path.c_str(), problem.c_str());
  return false;
}

}  // namespace

bool asksForReleaseCheck(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--check-release") == 0) return true;
  return false;
}

int checkReleaseCommand(const std::vector<std::string>& args) {
  std::string endpointsFile;
  bool full = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--check-release") {
      continue;
    } else if (args[i] == "--full") {
      full = true;
    } else if (args[i] == "--endpoints" && i + 1 < args.size()) {
      endpointsFile = args[++i];
    } else {
      std::fprintf(stderr, "launcher-fetch: %s %s\n%s", args[i] == "--endpoints" ? "a value is missing for" : "unknown option",
                   args[i].c_str(), kUsage);
      return 2;
    }
  }
  auto native = platform::makeNativePlatform();
  platform::Platform& p = native->get();
  ui::Window window(text::DisplayCode::SC);
  state::AppState app(p, window, text::DisplayCode::SC);
  if (!endpointsFile.empty() && !applyEndpointsFile(p, endpointsFile, app.endpoints)) return 2;
  std::filesystem::path folder = makeWorkFolder();
  if (folder.empty()) {
    std::fprintf(stderr, "launcher-fetch: cannot make a temporary folder\n");
    return 1;
  }
  app.clientFolder = (folder / "").string();
  app.log.open((folder / "check.log").string());
  NetworkAsker asker(app, app.clientFolder);
  std::string out;
  int code = runReleaseCheck(app, asker, full, out);
  std::string log;
  // Why each manifest address failed is in the support log's manifest lines.
  if (code == state::kExitNoManifest && p.files.readWhole((folder / "check.log").string(), log)) {
    if (log.rfind("\xEF\xBB\xBF", 0) == 0) log.erase(0, 3);  // the log's UTF-8 mark
    std::fputs(log.c_str(), stderr);
  }
  std::fputs(out.c_str(), stdout);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return code;
}

}  // namespace fetchtool
