#include "platform/posix/posix_process_starter.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/command_line.h"
#include "platform/posix/host_text.h"
#include "platform/posix/posix_files.h"

extern char** environ;

namespace platform::posix {

namespace {

bool isExecutableFile(const std::string& hostPath) {
  struct stat st{};
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(hostPath.c_str(), X_OK) == 0;
}

bool isWindowsProgram(const std::string& hostPath) {
  std::string head;
  PosixFiles files;
  return files.readPrefix(launcherPath(hostPath), 2, head) && head == "MZ";
}

// Windows resolves the application name against the caller's current directory, before
// the new process changes into its working directory.
std::string absoluteHostPath(const std::string& application) {
  std::string host = hostPath(application);
  if (!host.empty() && host[0] == '/') return host;
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) return host;
  return std::string(buffer) + "/" + host;
}

std::string winePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.wine" : std::string();
}

std::string prefixFolder(const char* inside) {
  std::string prefix = winePrefix();
  if (prefix.empty()) return {};
  std::string folder = prefix + inside;
  struct stat st{};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? launcherPath(folder) : std::string();
}

}  // namespace

std::string wineProgram() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (const char* name : {"wine", "wine64"}) {
    for (size_t at = 0; at <= dirs.size();) {
      size_t colon = dirs.find(':', at);
      if (colon == std::string::npos) colon = dirs.size();
      std::string dir = dirs.substr(at, colon - at);
      at = colon + 1;
      if (dir.empty()) continue;
      std::string candidate = dir + "/" + name;
      if (isExecutableFile(candidate)) return candidate;
    }
  }
  return {};
}

bool PosixProcessStarter::create(const std::string& application, const std::string& commandLine,
                                 const std::string& workingDirectory, const StartupRecord&, ProcessRecord& record) {
  if (application.empty()) return false;
  std::string program = absoluteHostPath(application);
  std::vector<std::string> args = splitCommandLine(convert(commandLine, "GBK", "UTF-8"));
  if (args.empty()) args.push_back(hostPath(application));
  if (isWindowsProgram(program)) {
    std::string wine = wineProgram();
    if (!wine.empty()) {
      // Wine gives the program its own path as argv[0]; the arguments proper follow.
      args[0] = program;
      args.insert(args.begin(), wine);
      program = wine;
    }
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string directory = hostPath(workingDirectory);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = 0;
  int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  {
    std::lock_guard lock(mutex_);
    live_.insert(pid);
  }
  record.process = static_cast<uintptr_t>(pid);
  record.thread = 0;
  record.processId = static_cast<uint32_t>(pid);
  record.threadId = 0;
  return true;
}

void PosixProcessStarter::waitForInputIdle(uintptr_t, int) {}

void PosixProcessStarter::waitForExit(uintptr_t process) {
  pid_t pid = static_cast<pid_t>(process);
  {
    std::lock_guard lock(mutex_);
    if (!live_.erase(pid)) return;
  }
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

void PosixProcessStarter::closeHandle(uintptr_t handle) {
  pid_t pid = static_cast<pid_t>(handle);
  {
    std::lock_guard lock(mutex_);
    if (!live_.erase(pid)) return;
  }
  reaper_.adopt(pid);
}

std::string PosixProcessStarter::shortPathName(const std::string& path) {
  PosixFiles files;
  return files.exists(path) ? path : std::string();
}

std::string PosixProcessStarter::windowsDirectory() { return prefixFolder("/drive_c/windows"); }

std::string PosixProcessStarter::systemDirectory() { return prefixFolder("/drive_c/windows/system32"); }

}  // namespace platform::posix
