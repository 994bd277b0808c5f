#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <fstream>

#include "platform/posix/host_text.h"
#include "platform/posix/posix_files.h"

namespace platform::posix {

namespace {

bool allDigits(const char* name) {
  if (!*name) return false;
  for (; *name; ++name)
    if (!std::isdigit(static_cast<unsigned char>(*name))) return false;
  return true;
}

// True when some descriptor of process `pid` refers to the file (device, inode).
bool processHolds(const std::string& pid, const struct stat& file) {
  std::string fdFolder = "/proc/" + pid + "/fd";
  DIR* dir = ::opendir(fdFolder.c_str());
  if (!dir) return false;  // another user's process: not ours to look into
  bool found = false;
  while (dirent* entry = ::readdir(dir)) {
    struct stat st{};
    if (allDigits(entry->d_name) && ::stat((fdFolder + "/" + entry->d_name).c_str(), &st) == 0 &&
        st.st_dev == file.st_dev && st.st_ino == file.st_ino) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string commandName(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

}  // namespace

bool PosixFiles::freeSpace(const std::string& path, int64_t& bytes) {
  struct statvfs vfs{};
  if (::statvfs(hostPath(path).c_str(), &vfs) != 0) return false;
  bytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  return true;
}

// Linux never refuses a rename over an open file, so this only serves the message; the
// launcher itself is skipped, since the file it holds is the one it is installing.
std::string PosixFiles::holderOf(const std::string& path) {
  struct stat file{};
  if (::stat(hostPath(path).c_str(), &file) != 0) return {};
  std::string self = std::to_string(::getpid());
  DIR* proc = ::opendir("/proc");
  if (!proc) return {};
  std::string holder;
  while (dirent* entry = ::readdir(proc)) {
    if (!allDigits(entry->d_name) || self == entry->d_name) continue;
    if (processHolds(entry->d_name, file)) {
      holder = commandName(entry->d_name);
      break;
    }
  }
  ::closedir(proc);
  return holder;
}

}  // namespace platform::posix
