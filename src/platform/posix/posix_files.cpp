#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/host_text.h"
#include "platform/posix/own_file.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

namespace {

// Only regular files: a FIFO or device read as a file could block or never end, and opening
// without waiting keeps a FIFO without writer from holding the caller.
UniqueFd openRead(const std::string& path) {
  UniqueFd fd(::open(hostPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat st{};
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  ::fcntl(fd.get(), F_SETFL, O_RDONLY);
  return fd;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

ssize_t readSome(int fd, char* data, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

}  // namespace

bool PosixFiles::exists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(hostPath(path).c_str(), &st) == 0;
}

bool PosixFiles::isDirectory(const std::string& path) {
  struct stat st{};
  return ::stat(hostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFiles::createDirectory(const std::string& path) { return ::mkdir(hostPath(path).c_str(), 0777) == 0; }

bool PosixFiles::readWhole(const std::string& path, std::string& bytes) {
  bytes.clear();
  return readBlocks(path, 1 << 16, [&](const char* data, size_t size) {
    bytes.append(data, size);
    return true;
  });
}

bool PosixFiles::readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) {
  bytes.clear();
  UniqueFd fd = openRead(path);
  if (!fd) return false;
  bytes.resize(maxBytes);
  size_t got = 0;
  while (got < maxBytes) {
    ssize_t n = readSome(fd.get(), bytes.data() + got, maxBytes - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return true;
}

bool PosixFiles::readBlocks(const std::string& path, size_t blockSize,
                            const std::function<bool(const char*, size_t)>& sink) {
  UniqueFd fd = openRead(path);
  if (!fd || blockSize == 0) return false;
  std::vector<char> block(blockSize);
  for (;;) {
    ssize_t n = readSome(fd.get(), block.data(), block.size());
    if (n < 0) return false;
    if (n == 0) return true;
    if (!sink(block.data(), static_cast<size_t>(n))) return true;
  }
}

bool PosixFiles::writeWhole(const std::string& path, const std::string& bytes) {
  UniqueFd fd = openOwnFile(hostPath(path), OwnFileMode::truncate, O_WRONLY);
  return fd && writeAll(fd.get(), bytes.data(), bytes.size());
}

bool PosixFiles::replaceWhole(const std::string& path, const std::string& bytes) {
  std::string target = hostPath(path);
  std::string fresh = target + kReplacementSuffix;
  UniqueFd fd = openOwnFile(fresh, OwnFileMode::truncate, O_WRONLY);
  // A link planted under the name itself goes too: rename replaces it without following it.
  // No fdatasync: the record is saved every second from the window thread, and the rename
  // alone already keeps a killed process from leaving a cut-short file.
  bool written = fd && writeAll(fd.get(), bytes.data(), bytes.size());
  fd.reset();
  if (written && ::rename(fresh.c_str(), target.c_str()) == 0) return true;
  ::unlink(fresh.c_str());
  return false;
}

bool PosixFiles::appendWhole(const std::string& path, const std::string& bytes) {
  UniqueFd fd = openOwnFile(hostPath(path), OwnFileMode::append, O_WRONLY);
  return fd && writeAll(fd.get(), bytes.data(), bytes.size());
}

bool PosixFiles::moveFile(const std::string& from, const std::string& to) {
  // Like a Windows rename: it never replaces an existing target.
  return ::renameat2(AT_FDCWD, hostPath(from).c_str(), AT_FDCWD, hostPath(to).c_str(), RENAME_NOREPLACE) == 0;
}

namespace {

// Copies the open `in` into a new file `to` (which must not exist), with the permissions
// `mode` when one is given; a copy cut short by a full disk or a read error leaves nothing
// under that name.
bool copyInto(int in, const std::string& to, mode_t mode = 0) {
  UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!out) return false;
  if (mode != 0) ::fchmod(out.get(), mode);
  std::vector<char> block(1 << 16);
  for (;;) {
    ssize_t n = readSome(in, block.data(), block.size());
    if (n == 0) return true;
    if (n < 0 || !writeAll(out.get(), block.data(), static_cast<size_t>(n))) {
      ::unlink(to.c_str());
      return false;
    }
  }
}

}  // namespace

bool PosixFiles::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  UniqueFd in = openRead(from);
  if (!in) return false;
  std::string target = hostPath(to);
  if (!overwrite) return copyInto(in.get(), target);
  // Windows refuses to overwrite a file another program opened without sharing. A posix
  // program says the same by holding a lock on the file; such a file is left alone.
  UniqueFd old(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (old && ::flock(old.get(), LOCK_EX | LOCK_NB) != 0) return false;
  struct stat st{};
  mode_t mode = old && ::fstat(old.get(), &st) == 0 ? (st.st_mode & 07777) : 0;
  // The copy goes beside the old file and replaces it whole, keeping its permissions: a full
  // disk leaves the old one as it was, never a cut-short file or none.
  std::string fresh = target + kReplacementSuffix;
  ::unlink(fresh.c_str());
  if (!copyInto(in.get(), fresh, mode)) return false;
  if (::rename(fresh.c_str(), target.c_str()) == 0) return true;
  ::unlink(fresh.c_str());
  return false;
}

bool PosixFiles::replaceByRename(const std::string& from, const std::string& to) {
  std::string source = hostPath(from), target = hostPath(to);
  // Held as copyFile sees it: a program's lock on the old file leaves it alone.
  UniqueFd old(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!old || ::flock(old.get(), LOCK_EX | LOCK_NB) != 0) return false;
  struct stat st{};
  if (::fstat(old.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (::chmod(source.c_str(), st.st_mode & 07777) != 0) return false;
  return ::rename(source.c_str(), target.c_str()) == 0;
}

bool PosixFiles::deleteFile(const std::string& path) { return ::unlink(hostPath(path).c_str()) == 0; }

bool PosixFiles::fileSize(const std::string& path, int64_t& size) {
  struct stat st{};
  if (::stat(hostPath(path).c_str(), &st) != 0) return false;
  size = st.st_size;
  return true;
}

bool PosixFiles::fileStamp(const std::string& path, FileStamp& stamp) {
  struct stat st{};
  if (::stat(hostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp.size = st.st_size;
  stamp.writeTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.volume = static_cast<uint64_t>(st.st_dev);
  stamp.index = static_cast<uint64_t>(st.st_ino);
  return true;
}

std::string PosixFiles::currentDirectory() {
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) return {};
  return launcherPath(buffer);
}

bool PosixFiles::setCurrentDirectory(const std::string& path) { return ::chdir(hostPath(path).c_str()) == 0; }

}  // namespace platform::posix
