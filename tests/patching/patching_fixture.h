#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "state/app_state.h"
#include "fakes/fake_platform.h"
#include "fakes/recording_backend.h"
#include "ui/window.h"

namespace patching_test {

using fakes::RecordingBackend;

// In-memory files that, like a real disk, create or move nothing into a missing folder.
struct StrictFiles : fakes::FakeFiles {
  bool parentExists(const std::string& path);
  bool createDirectory(const std::string& path) override;
  bool writeWhole(const std::string& path, const std::string& bytes) override;
  bool moveFile(const std::string& from, const std::string& to) override;
  bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
  // Whole-file reads (digests) by path.
  std::map<std::string, int> digests;
  std::mutex digestsLock;
  bool readBlocks(const std::string& path, size_t blockSize,
                  const std::function<bool(const char*, size_t)>& sink) override {
    {
      std::lock_guard guard(digestsLock);
      ++digests[path];
    }
    return FakeFiles::readBlocks(path, blockSize, sink);
  }
};

// A launcher in C:\Game\ on fakes, with threads started by spawn kept for the test to run.
struct Launcher {
  explicit Launcher(text::DisplayCode display = text::DisplayCode::SC) : window(display), app(bundle, window, display) {
    window.attach(&backend);
    app.clientFolder = "C:\\Game\\";
    app.downloadCacheFolder = "C:\\Game\\DownloadCache\\";
    files.directories = {"C:", "C:\\Game", "C:\\Game\\DownloadCache"};
    app.spawn = [this](std::function<void()> body) { spawned.push_back(std::move(body)); };
  }
  ~Launcher() { window.attach(nullptr); }

  ui::Component component(const char* name) const { return window.component(name); }
  bool ended() const { return fake.system.ended(); }

  fakes::FakePlatform fake;
  StrictFiles files;
  platform::Platform bundle{fake.system, files,          fake.processes, fake.instance, fake.presence,
                            fake.http,   fake.network,   fake.registry,  fake.shell,    fake.ini,
                            fake.shortcuts, fake.starter};
  RecordingBackend backend;
  ui::Window window;
  state::AppState app;
  std::vector<std::function<void()>> spawned;
};

// GBK text written as UTF-8 in the test source, for readable expectations.
std::string gbk(const char* utf8);
// The SHA-256 of `bytes` as 64 lower-case hex digits, as a manifest writes it.
std::string sha256Hex(const std::string& bytes);

}  // namespace patching_test
