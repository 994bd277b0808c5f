#include "platform/posix/posix_processes.h"

#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/posix/abstract_socket.h"
#include "platform/posix/posix_instance.h"
#include "platform/posix/host_text.h"

namespace platform::posix {

namespace {

std::string fileNamePart(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isWineLoader(const std::string& name) { return name.rfind("wine", 0) == 0; }

struct PublishedWindow {
  uint32_t pid = 0;
  bool visible = false;
};

std::vector<PublishedWindow> publishedWindows() {
  const std::string prefix = "vktalv-window-";
  std::vector<PublishedWindow> windows;
  for (const auto& name : boundAbstractNames()) {
    if (name.rfind(prefix, 0) != 0) continue;
    std::string rest = name.substr(prefix.size());
    size_t dash = rest.find('-');
    if (dash == std::string::npos) continue;
    PublishedWindow w;
    w.pid = static_cast<uint32_t>(std::strtoul(rest.substr(0, dash).c_str(), nullptr, 10));
    w.visible = rest.substr(dash + 1) == "v";
    if (w.pid != 0) windows.push_back(w);
  }
  return windows;
}

std::optional<PublishedWindow> publishedWindow(WindowHandle handle) {
  for (const auto& w : publishedWindows())
    if (w.pid == handle) return w;
  return std::nullopt;
}

}  // namespace

std::string processExeName(const std::string& imagePath, const std::string& firstArgument) {
  std::string name = fileNamePart(imagePath);
  if (name.empty() || isWineLoader(name)) name = fileNamePart(firstArgument);
  return name;
}

bool PosixProcesses::snapshot(std::vector<ProcessEntry>& entries) {
  entries.clear();
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  std::vector<uint32_t> pids;
  while (dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    unsigned long pid = std::strtoul(e->d_name, &end, 10);
    if (end && *end == 0 && pid > 0) pids.push_back(static_cast<uint32_t>(pid));
  }
  ::closedir(proc);
  std::sort(pids.begin(), pids.end());
  for (uint32_t pid : pids) {
    std::string base = "/proc/" + std::to_string(pid);
    char image[4096];
    ssize_t n = ::readlink((base + "/exe").c_str(), image, sizeof image - 1);
    std::string imagePath = n > 0 ? std::string(image, static_cast<size_t>(n)) : std::string();
    std::ifstream cmdline(base + "/cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    std::string name = processExeName(imagePath, first);
    if (!name.empty()) entries.push_back({pid, launcherPath(name)});
  }
  return true;
}

WindowHandle PosixProcesses::nextTopLevelWindow(WindowHandle after) {
  auto windows = publishedWindows();
  if (after == 0) return windows.empty() ? 0 : windows.front().pid;
  for (size_t i = 0; i + 1 < windows.size(); ++i)
    if (windows[i].pid == after) return windows[i + 1].pid;
  return 0;
}

bool PosixProcesses::windowExists(WindowHandle window) { return publishedWindow(window).has_value(); }

bool PosixProcesses::windowVisible(WindowHandle window) {
  auto w = publishedWindow(window);
  return w && w->visible;
}

uint32_t PosixProcesses::windowProcess(WindowHandle window) {
  auto w = publishedWindow(window);
  return w ? w->pid : 0;
}

bool PosixProcesses::windowClassName(WindowHandle window, int bufferLength, std::string& name) {
  if (!windowExists(window) || bufferLength <= 0) return false;
  name = std::string("VKTALVWINDOW").substr(0, static_cast<size_t>(bufferLength - 1));
  return true;
}

std::string PosixProcesses::windowTitle(WindowHandle) { return {}; }

void PosixProcesses::activateWindow(WindowHandle window) {
  auto w = publishedWindow(window);
  if (!w) return;
  UniqueFd fd = connectAbstract(windowSocketName(static_cast<int>(w->pid), w->visible));
  if (fd) ::send(fd.get(), "activate", 8, MSG_NOSIGNAL);
}

void PosixProcesses::pumpMessages() { std::this_thread::yield(); }

}  // namespace platform::posix
