#include "platform/posix/posix_ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/host_text.h"
#include "platform/posix/ini_text.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

namespace {

std::string skipLeadingControls(const std::string& s) {
  size_t at = 0;
  while (at < s.size() && static_cast<unsigned char>(s[at]) <= 32) ++at;
  return s.substr(at);
}

bool writeAll(int fd, const std::string& bytes) {
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string PosixIni::read(const std::string& file, const std::string& section, const std::string& key,
                           size_t bufferSize) {
  std::string f = skipLeadingControls(file), s = skipLeadingControls(section), k = skipLeadingControls(key);
  if (f.empty() || s.empty() || k.empty() || bufferSize == 0) return {};
  std::string content, value;
  PosixFiles files;
  if (!files.readWhole(f, content)) return {};
  if (!findIniValue(content, s, k, value)) return {};
  return value.substr(0, bufferSize - 1);
}

// The new content goes to a temporary file beside the old one and replaces it in one rename,
// so a crash or a full disk never leaves half a settings file.
bool PosixIni::write(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) {
  if (file.empty() || section.empty() || key.empty()) return false;
  std::string host = hostPath(file);
  struct stat st{};
  bool existed = ::stat(host.c_str(), &st) == 0;
  // A file nobody may write is read-only like a file with the Windows read-only attribute,
  // even for a user whom the permissions would let through.
  bool readOnly = (st.st_mode & 0222) == 0 || ::access(host.c_str(), W_OK) != 0;
  if (existed && (!S_ISREG(st.st_mode) || readOnly)) return false;
  std::string content;
  PosixFiles files;
  if (existed && !files.readWhole(file, content)) return false;
  std::string updated = withIniValue(content, section, key, value);
  std::string temporary = host + ".tmp-" + std::to_string(::getpid());
  UniqueFd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, existed ? st.st_mode & 07777 : 0666));
  if (!out) return false;
  bool ok = writeAll(out.get(), updated) && ::fsync(out.get()) == 0;
  out.reset();
  if (!ok || ::rename(temporary.c_str(), host.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace platform::posix
