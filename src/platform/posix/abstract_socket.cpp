#include "platform/posix/abstract_socket.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace platform::posix {

namespace {

socklen_t makeAddress(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);  // sun_path[0] == 0: abstract
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

}  // namespace

UniqueFd bindAbstract(const std::string& name, bool listening) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return {};
  sockaddr_un address;
  socklen_t length = makeAddress(name, address);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return {};
  if (listening && ::listen(fd.get(), 4) != 0) return {};
  return fd;
}

UniqueFd connectAbstract(const std::string& name) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return {};
  sockaddr_un address;
  socklen_t length = makeAddress(name, address);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return {};
  return fd;
}

std::vector<std::string> boundAbstractNames() {
  std::vector<std::string> names;
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);  // header
  while (std::getline(table, line)) {
    // Num RefCount Protocol Flags Type St Inode Path
    std::istringstream fields(line);
    std::string skip, path;
    for (int i = 0; i < 7; ++i) fields >> skip;
    fields >> path;
    if (path.size() > 1 && path[0] == '@') names.push_back(path.substr(1));
  }
  return names;
}

}  // namespace platform::posix
