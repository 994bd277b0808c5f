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
  std::string utf8 = convert(launcherPath, "GBK", "UTF-8");
  std::replace(utf8.begin(), utf8.end(), '\\', '/');
  return utf8;
}

std::string launcherPath(const std::string& hostPath) {
  std::string gbk = convert(hostPath, "UTF-8", "GBK");
  // GBK trail bytes can equal '/', so only ASCII slashes outside two-byte characters change.
  for (size_t i = 0; i < gbk.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c >= 0x81 && i + 1 < gbk.size()) {
      ++i;
    } else if (c == '/') {
      gbk[i] = '\\';
    }
  }
  return gbk;
}

}  // namespace platform::posix
