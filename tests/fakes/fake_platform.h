#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_services.h"
#include "platform/platform.h"
#include "text/gbk_path.h"

namespace fakes {

// Thrown nowhere: ending the process is recorded, and the caller is expected to return.
struct FakeSystem : platform::System {
  // Read by the engine's threads and the window thread at once, as a real clock would be.
  std::atomic<uint32_t> tick{1000};
  std::atomic<uint32_t> tickStep{0};  // added on every tickCount() call, to let time pass in loops
  int localeId = 2052;
  platform::LocalTime now{1700000000, 0};
  std::string exePath = "C:\\Game\\launcher.exe";
  std::map<std::string, std::string> env;
  std::vector<int> endCodes;
  std::bitset<256> lead = text::gbkLeadBytes();  // a simplified-Chinese system
  std::function<std::string(const std::string&)> fileNames;  // unset: names pass unchanged
  std::function<std::string(const std::string&)> script;

  uint32_t tickCount() override { return tick += tickStep; }
  int defaultLocaleId() override { return localeId; }
  unsigned codePage = 936;
  unsigned systemCodePage() override { return codePage; }
  platform::LocalTime localNow() override { return now; }
  int64_t utc = 1700000000;
  int64_t utcSeconds() override { return utc; }
  std::string executablePath() override { return exePath; }
  std::string environment(const std::string& name) override {
    auto it = env.find(name);
    return it == env.end() ? "" : it->second;
  }
  void sleep(int milliseconds) override { tick += static_cast<uint32_t>(milliseconds); }
  void endProcess(int code) override { endCodes.push_back(code); }
  std::string toUtf8(const std::string& bytes, unsigned) override { return bytes; }
  std::function<std::string(const std::string&, unsigned)> shownText;  // unset: texts pass unchanged
  std::string displayText(const std::string& text, unsigned codePage) override {
    return shownText ? shownText(text, codePage) : text;
  }
  std::bitset<256> leadBytes() override { return lead; }
  std::string manifestFileName(const std::string& gbk) override { return fileNames ? fileNames(gbk) : gbk; }
  std::string scriptText(const std::string& systemText) override { return script ? script(systemText) : systemText; }
  bool ended() const { return !endCodes.empty(); }
};

// An in-memory file system keyed by exact path text.
struct FakeFiles : platform::Files {
  std::map<std::string, std::string> files;
  std::set<std::string> directories;
  std::set<std::string> readOnly;  // paths that cannot be written, moved onto or deleted
  std::set<std::string> readOnlyFolders;  // folders (no trailing '\') whose files cannot be created, moved or deleted
  std::string cwd = "C:\\Game";
  int readCalls = 0;

  static std::string trimmed(const std::string& path);
  bool locked(const std::string& path) const;  // listed read-only, or inside a read-only folder
  bool exists(const std::string& path) override;
  bool isDirectory(const std::string& path) override;
  bool createDirectory(const std::string& path) override;
  bool readWhole(const std::string& path, std::string& bytes) override;
  bool readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) override;
  bool readBlocks(const std::string& path, size_t blockSize,
                  const std::function<bool(const char*, size_t)>& sink) override;
  bool writeWhole(const std::string& path, const std::string& bytes) override;
  bool replaceWhole(const std::string& path, const std::string& bytes) override;
  bool appendWhole(const std::string& path, const std::string& bytes) override;
  bool moveFile(const std::string& from, const std::string& to) override;
  bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
  bool deleteFile(const std::string& path) override;
  bool fileSize(const std::string& path, int64_t& size) override;
  // Size and identity as a disk would give them; every new content counts as a new write.
  bool fileStamp(const std::string& path, platform::FileStamp& stamp) override;
  int64_t freeBytes = int64_t{1} << 40;  // negative: the volume cannot be asked
  std::map<std::string, std::string> holders;  // path -> holding program
  std::map<std::string, int> heldAttempts;     // path -> moves and copies onto it that still fail
  bool freeSpace(const std::string&, int64_t& bytes) override {
    bytes = freeBytes;
    return freeBytes >= 0;
  }
  std::string holderOf(const std::string& path) override {
    auto it = holders.find(trimmed(path));
    return it == holders.end() ? std::string() : it->second;
  }
  std::string currentDirectory() override { return cwd; }
  bool setCurrentDirectory(const std::string& path) override {
    cwd = trimmed(path);
    return true;
  }
};

struct FakeWindow {
  platform::WindowHandle handle = 0;
  uint32_t pid = 0;
  bool visible = true;
  std::string className;
  std::string title;
};

struct FakeProcesses : platform::Processes {
  bool snapshotFails = false;
  std::vector<platform::ProcessEntry> processes;
  std::vector<FakeWindow> windows;  // in z-order
  std::vector<platform::WindowHandle> activated;
  int pumps = 0;

  bool snapshot(std::vector<platform::ProcessEntry>& entries) override;
  platform::WindowHandle nextTopLevelWindow(platform::WindowHandle after) override;
  bool windowExists(platform::WindowHandle window) override { return find(window) != nullptr; }
  bool windowVisible(platform::WindowHandle window) override;
  uint32_t windowProcess(platform::WindowHandle window) override;
  bool windowClassName(platform::WindowHandle window, int bufferLength, std::string& name) override;
  std::string windowTitle(platform::WindowHandle window) override;
  void activateWindow(platform::WindowHandle window) override { activated.push_back(window); }
  void pumpMessages() override { ++pumps; }
  const FakeWindow* find(platform::WindowHandle window) const;
};

struct FakeInstanceMarker : platform::InstanceMarker {
  std::set<std::string> held;  // names held by "another copy"
  std::vector<std::string> created;
  bool openExisting(const std::string& name) override { return held.count(name) > 0; }
  bool released = false;
  bool create(const std::string& name) override {
    created.push_back(name);
    return true;
  }
  void release() override { released = true; }
};

struct FakePresence : platform::WindowPresence {
  int publishes = 0;
  void publish(bool, std::function<void()>) override { ++publishes; }
};

// All fakes in one bundle.
struct FakePlatform {
  FakeSystem system;
  FakeFiles files;
  FakeProcesses processes;
  FakeInstanceMarker instance;
  FakePresence presence;
  FakeHttp http;
  FakeNetwork network;
  FakeRegistry registry;
  FakeShell shell;
  FakeIni ini;
  FakeShortcuts shortcuts;
  FakeStarter starter;
  platform::Platform bundle{system, files, processes, instance, presence, http, network,
                            registry, shell, ini, shortcuts, starter};
};

}  // namespace fakes
