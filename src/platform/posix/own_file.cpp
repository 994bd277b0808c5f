#include "platform/posix/own_file.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform::posix {

namespace {

constexpr int kAttempts = 3;  // a name raced over again and again is given up on

// A regular file with no other name: what the launcher itself would have made.
bool isOwnFile(int fd) {
  struct stat st{};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink <= 1;
}

// The descriptor waits again from now on, as every writer here expects.
UniqueFd blocking(UniqueFd fd) {
  int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return {};
  return fd;
}

// Takes away what sits under the name so that a file can be made there: never a folder, and
// a regular file only when it was opened and found to be shared with another name (a file
// that could not be opened, say read-only, is left alone).
bool removeStranger(const std::string& hostPath, bool opened) {
  struct stat st{};
  if (::lstat(hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !opened)) return false;
  return ::unlink(hostPath.c_str()) == 0;
}

}  // namespace

UniqueFd openOwnFile(const std::string& hostPath, OwnFileMode mode, int access) {
  int flags = access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  if (mode == OwnFileMode::append) flags |= O_APPEND;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    UniqueFd fd(::open(hostPath.c_str(), flags, 0666));
    if (fd && isOwnFile(fd.get())) {
      if (mode == OwnFileMode::truncate && ::ftruncate(fd.get(), 0) != 0) return {};
      return blocking(std::move(fd));
    }
    bool opened = static_cast<bool>(fd);
    fd.reset();
    if (!removeStranger(hostPath, opened)) return {};
  }
  return {};
}

UniqueFd openExistingOwnFile(const std::string& hostPath, int access) {
  UniqueFd fd(::open(hostPath.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd || !isOwnFile(fd.get())) return {};
  return blocking(std::move(fd));
}

}  // namespace platform::posix
