#include "platform/posix/posix_http.h"

#include <algorithm>

#include "platform/stream.h"

namespace platform::posix {

namespace {

// Everything until the server closes, a gap longer than the time-out, an error, or the cap.
std::string receiveAll(Stream& stream, int timeoutMs, size_t maxBytes, const std::atomic<bool>& never) {
  std::string response;
  char buffer[16384];
  while (response.size() < maxBytes) {
    size_t got = 0;
    if (stream.receive(buffer, sizeof buffer, got, timeoutMs, never) != SocketStatus::ok) break;
    response.append(buffer, std::min(got, maxBytes - response.size()));
  }
  return response;
}

std::string hostHeader(const std::string& host, int port, bool secure) {
  bool ipv6 = host.find(':') != std::string::npos;
  std::string name = ipv6 ? "[" + host + "]" : host;
  return port == (secure ? 443 : 80) ? name : name + ":" + std::to_string(port);
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

std::string PosixHttpClient::get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) {
  static const std::atomic<bool> never{false};
  Stream stream;
  if (stream.connect(host, port, timeoutMs_, never) != SocketStatus::ok) return {};
  // An https server whose certificate fails the check gives nothing, as an unreachable one.
  if (secure && stream.secure(host, timeoutMs_, never) != TlsStatus::ok) return {};
  // No cache sits between us and the server; the pragma asks proxies on the way for the same.
  std::string request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: " + hostHeader(host, port, secure) +
                        "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n\r\n";
  if (stream.sendAll(request, timeoutMs_, never) != SocketStatus::ok) return {};
  return responseBody(receiveAll(stream, timeoutMs_, maxBytes_, never));
}

}  // namespace platform::posix
