#pragma once
#include <sys/types.h>

#include <mutex>
#include <set>

#include "platform/posix/child_reaper.h"
#include "platform/process_starter.h"

namespace platform::posix {

// Process creation on Linux. The command line is split the way a Windows program would
// split it and handed over as UTF-8 arguments; the first word takes argv[0]. A Windows
// program (a file starting with "MZ") runs through Wine when Wine is installed, with the
// same arguments after its path. The process handle is the process id; there is no thread
// handle. Stand-ins: no short names (an existing path is its own short form), the Windows
// and system folders are those of the Wine prefix when there is one, and waiting for input
// idle returns at once.
class PosixProcessStarter : public ProcessStarter {
 public:
  bool create(const std::string& application, const std::string& commandLine,
              const std::string& workingDirectory, const StartupRecord& startup, ProcessRecord& record) override;
  void waitForInputIdle(uintptr_t process, int timeoutMs) override;
  void waitForExit(uintptr_t process) override;
  void closeHandle(uintptr_t handle) override;
  std::string shortPathName(const std::string& path) override;
  std::string windowsDirectory() override;
  std::string systemDirectory() override;

 private:
  std::mutex mutex_;
  std::set<pid_t> live_;  // started here, neither waited for nor handed to the reaper
  ChildReaper reaper_;
};

// The program that runs Windows programs on this system ("wine" or "wine64" on the
// search path, as a host path); empty when there is none.
std::string wineProgram();

}  // namespace platform::posix
