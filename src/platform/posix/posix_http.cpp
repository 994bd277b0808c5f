#include "platform/posix/posix_http.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/address_lookup.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

namespace {

bool waitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int n = ::poll(&p, 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

// A connected socket to the first address of `host` that answers within the time-out.
UniqueFd connectTo(const std::string& host, int port, int timeoutMs) {
  static const std::atomic<bool> never{false};
  std::optional<AddressList> found = lookUpWithin(host, std::to_string(port), AF_UNSPEC, timeoutMs, never);
  if (!found || !*found) return {};
  UniqueFd result;
  for (addrinfo* a = found->get(); a && !result; a = a->ai_next) {
    UniqueFd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
    if (!fd) continue;
    int rc = ::connect(fd.get(), a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno != EINPROGRESS) continue;
    if (rc != 0) {
      int error = 0;
      socklen_t length = sizeof error;
      if (!waitFor(fd.get(), POLLOUT, timeoutMs)) continue;
      if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) continue;
    }
    result = std::move(fd);
  }
  return result;
}

bool sendAll(int fd, const std::string& data, int timeoutMs) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!waitFor(fd, POLLOUT, timeoutMs)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Everything until the server closes, a gap longer than the time-out, an error, or the cap.
std::string receiveAll(int fd, int timeoutMs, size_t maxBytes) {
  std::string response;
  char buffer[16384];
  while (response.size() < maxBytes) {
    if (!waitFor(fd, POLLIN, timeoutMs)) break;
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    response.append(buffer, std::min(static_cast<size_t>(n), maxBytes - response.size()));
  }
  return response;
}

std::string hostHeader(const std::string& host, int port) {
  bool ipv6 = host.find(':') != std::string::npos;
  std::string name = ipv6 ? "[" + host + "]" : host;
  return port == 80 ? name : name + ":" + std::to_string(port);
}

}  // namespace

std::string responseBody(const std::string& response) {
  if (response.compare(0, 5, "HTTP/") != 0) return response;
  size_t crlf = response.find("\r\n\r\n");
  size_t lf = response.find("\n\n");
  if (crlf == std::string::npos && lf == std::string::npos) return {};
  if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf)) return response.substr(crlf + 4);
  return response.substr(lf + 2);
}

std::string PosixHttpClient::get(const std::string& host, int port, const std::string& pathAndQuery) {
  UniqueFd fd = connectTo(host, port, timeoutMs_);
  if (!fd) return {};
  // No cache sits between us and the server; the pragma asks proxies on the way for the same.
  std::string request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: " + hostHeader(host, port) +
                        "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n\r\n";
  if (!sendAll(fd.get(), request, timeoutMs_)) return {};
  return responseBody(receiveAll(fd.get(), timeoutMs_, maxBytes_));
}

}  // namespace platform::posix
