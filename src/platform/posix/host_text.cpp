#include "platform/posix/host_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace platform::posix {

std::string convert(const std::string& bytes, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 8);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An unconvertible or truncated sequence: mark it and move past one byte.
      out.push_back('?');
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

std::string hostPath(const std::string& launcherPath) {
  std::string path = launcherPath;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string launcherPath(const std::string& hostPath) {
  std::string path = hostPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace platform::posix
