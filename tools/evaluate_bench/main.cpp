// Times the patch evaluation the way the launcher runs it, for the benchmark script.
//   evaluate-bench evaluate CLIENT_DIR MANIFEST [THREADS]
//       parses MANIFEST, evaluates its patch list against CLIENT_DIR and prints
//       "ms=<elapsed> online=<count> manual=<count> needed=<names in order>"
//   evaluate-bench sha256 LIST OUT
//       digests every file named in LIST one after the other, as the patch worker checks each
//       download, writes "<hex>  <path>" lines (sha256sum's form) to OUT and prints "ms=<elapsed>"
//   evaluate-bench prefixes LIST
//       reads the first 32 bytes of every file named in LIST (one path a line) and prints "ms=<elapsed>"
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "patching/check_code.h"
#include "patching/current_checks.h"
#include "patching/patch_evaluation.h"
#include "platform/platform.h"
#include "startup/manifest_document.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point began) {
  return std::chrono::duration<double, std::milli>(Clock::now() - began).count();
}

bool readFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return true;
}

int evaluate(const std::string& clientDir, const std::string& manifestPath, unsigned threads) {
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Platform& p = native->get();
  ui::Window window(text::DisplayCode::SC);
  state::AppState app(p, window, text::DisplayCode::SC);
  if (!p.files.setCurrentDirectory(clientDir)) {
    std::fprintf(stderr, "evaluate-bench: cannot enter %s\n", clientDir.c_str());
    return 1;
  }
  app.clientFolder = p.files.currentDirectory() + "\\";
  std::string xml;
  if (!readFile(manifestPath, xml) || !startup::parseManifest(app.manifestDocument, xml)) {
    std::fprintf(stderr, "evaluate-bench: unusable manifest %s\n", manifestPath.c_str());
    return 1;
  }
  Clock::time_point began = Clock::now();
  patching::evaluatePatchList(app, threads);
  double ms = msSince(began);
  std::string needed;
  for (const auto* list : {&app.onlinePatches, &app.manualPatches})
    for (const auto& e : *list) needed += (needed.empty() ? "" : ",") + e.name;
  std::printf("ms=%.1f online=%zu manual=%zu needed=%s\n", ms, app.onlinePatches.size(), app.manualPatches.size(),
              needed.c_str());
  return 0;
}

int prefixes(const std::string& listPath) {
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Files& files = native->get().files;
  std::ifstream list(listPath);
  std::vector<std::string> paths;
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) paths.push_back(line);
  Clock::time_point began = Clock::now();
  size_t bytes = 0;
  for (const auto& path : paths) {
    std::string prefix;
    if (files.readPrefix(path, 32, prefix)) bytes += prefix.size();
  }
  std::printf("ms=%.1f files=%zu bytes=%zu\n", msSince(began), paths.size(), bytes);
  return 0;
}

std::vector<std::string> readList(const std::string& listPath) {
  std::ifstream list(listPath);
  std::vector<std::string> paths;
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) paths.push_back(line);
  return paths;
}

int sha256(const std::string& listPath, const std::string& outPath) {
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Files& files = native->get().files;
  std::vector<std::string> paths = readList(listPath);
  std::vector<std::string> digests(paths.size());
  Clock::time_point began = Clock::now();
  for (size_t i = 0; i < paths.size(); ++i)
    if (!patching::fileSha256Hex(files, paths[i], digests[i])) digests[i] = "unreadable";
  double ms = msSince(began);
  std::ofstream out(outPath, std::ios::binary);
  for (size_t i = 0; i < paths.size(); ++i) out << digests[i] << "  " << paths[i] << "\n";
  std::printf("ms=%.1f files=%zu\n", ms, paths.size());
  return out.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 3 && args[0] == "evaluate") {
    unsigned threads = args.size() >= 4 ? static_cast<unsigned>(std::stoul(args[3])) : patching::digestThreadCount();
    return evaluate(args[1], args[2], threads);
  }
  if (args.size() == 2 && args[0] == "prefixes") return prefixes(args[1]);
  if (args.size() == 3 && args[0] == "sha256") return sha256(args[1], args[2]);
  std::fprintf(stderr, "usage: evaluate-bench evaluate CLIENT_DIR MANIFEST [THREADS] | prefixes LIST | sha256 LIST OUT\n");
  return 2;
}
