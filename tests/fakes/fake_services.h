#pragma once
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace fakes {

// Answers GETs from a table keyed by "host:port/path" (query stripped); records every request.
struct FakeHttp : platform::HttpClient {
  std::map<std::string, std::string> bodies;
  std::vector<std::string> requests;  // "host:port" + pathAndQuery
  platform::HttpAnswer get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override;
};

struct FakeNetwork : platform::Network {
  std::map<std::string, int> echoMs;  // host -> reply time; missing hosts give -1
  std::vector<std::string> echoed;
  int icmpEcho(const std::string& host, int timeoutMs) override;
};

struct FakeRegistry : platform::Registry {
  std::map<std::pair<platform::RegistryRoot, std::string>, std::string> values;
  // The current user's DWORD values by (key, value name); writes fail while `readOnly`.
  std::map<std::pair<std::string, std::string>, uint32_t> userDwords;
  bool readOnly = false;
  int userWrites = 0;
  bool defaultValue(platform::RegistryRoot root, const std::string& key, std::string& value) override;
  bool userDword(const std::string& key, const std::string& name, uint32_t& value) override;
  bool setUserDword(const std::string& key, const std::string& name, uint32_t value) override;
};

struct FakeShell : platform::Shell {
  struct Call {
    platform::WindowHandle owner;
    std::string verb;
    std::string file;
  };
  std::vector<Call> calls;
  std::map<std::string, platform::WindowHandle> windowsByTitle;
  void execute(platform::WindowHandle owner, const std::string& verb, const std::string& file) override {
    calls.push_back({owner, verb, file});
  }
  struct Elevation {
    std::string program;
    std::vector<std::string> arguments;
    std::string folder;
  };
  std::vector<Elevation> elevations;
  bool elevationStarts = true;
  bool runElevated(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) override {
    elevations.push_back({program, arguments, folder});
    return elevationStarts;
  }
  platform::WindowHandle findWindowByTitle(const std::string& title) override {
    auto it = windowsByTitle.find(title);
    return it == windowsByTitle.end() ? 0 : it->second;
  }
};

// file -> section -> key -> value, exact names.
struct FakeIni : platform::Ini {
  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> data;
  bool failWrites = false;
  std::string read(const std::string& file, const std::string& section, const std::string& key,
                   size_t bufferSize) override;
  bool write(const std::string& file, const std::string& section, const std::string& key,
             const std::string& value) override;
};

struct FakeShortcuts : platform::ShortcutObject {
  std::map<std::string, platform::LinkShortcut> links;
  bool readLink(const std::string& path, platform::LinkShortcut& link) override;
};

struct FakeStarter : platform::ProcessStarter {
  struct Created {
    std::string application;
    std::string commandLine;
    std::string workingDirectory;
    platform::StartupRecord startup;
  };
  std::vector<Created> created;
  bool refuse = false;
  uint32_t nextPid = 4000;
  std::vector<uintptr_t> closed;
  std::vector<std::pair<uintptr_t, int>> idleWaits;
  std::vector<uintptr_t> exitWaits;
  std::map<std::string, std::string> shortNames;  // existing path -> short form
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\system32";

  bool create(const std::string& application, const std::string& commandLine, const std::string& workingDirectory,
              const platform::StartupRecord& startup, platform::ProcessRecord& record) override;
  void waitForInputIdle(uintptr_t process, int timeoutMs) override { idleWaits.push_back({process, timeoutMs}); }
  void waitForExit(uintptr_t process) override { exitWaits.push_back(process); }
  void closeHandle(uintptr_t handle) override { closed.push_back(handle); }
  std::string shortPathName(const std::string& path) override;
  std::string windowsDirectory() override { return windowsDir; }
  std::string systemDirectory() override { return systemDir; }
};

}  // namespace fakes
