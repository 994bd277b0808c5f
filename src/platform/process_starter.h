#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The start-up record's two fields that matter: the flags word and the show-window value.
struct StartupRecord {
  uint32_t flags = 0;
  uint16_t showWindow = 1;
};

struct ProcessRecord {
  uintptr_t process = 0;
  uintptr_t thread = 0;
  uint32_t processId = 0;
  uint32_t threadId = 0;
};

// Creating processes and the folders and names the program search needs.
class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // CreateProcess with the application name and command line (either may be empty = none),
  // no inheritance, creation flags 0, the own environment, the working directory (empty = the
  // current one). Fills `record`; returns whether a process was created.
  virtual bool create(const std::string& application, const std::string& commandLine,
                      const std::string& workingDirectory, const StartupRecord& startup, ProcessRecord& record) = 0;
  virtual void waitForInputIdle(uintptr_t process, int timeoutMs) = 0;
  virtual void waitForExit(uintptr_t process) = 0;
  virtual void closeHandle(uintptr_t handle) = 0;
  // The short (8.3) form of an existing path; empty when the path does not exist.
  virtual std::string shortPathName(const std::string& path) = 0;
  virtual std::string windowsDirectory() = 0;  // no trailing '\'
  virtual std::string systemDirectory() = 0;   // no trailing '\'
};

}  // namespace platform
