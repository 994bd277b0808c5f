#pragma once
#include "platform/process_starter.h"

namespace platform::win32 {

class Win32ProcessStarter : public ProcessStarter {
 public:
  bool create(const std::string& application, const std::string& commandLine,
              const std::string& workingDirectory, const StartupRecord& startup, ProcessRecord& record) override;
  void waitForInputIdle(uintptr_t process, int timeoutMs) override;
  void waitForExit(uintptr_t process) override;
  void closeHandle(uintptr_t handle) override;
  std::string shortPathName(const std::string& path) override;
  std::string windowsDirectory() override;
  std::string systemDirectory() override;
};

}  // namespace platform::win32
