#include "platform/posix/posix_http.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>

#include "platform/stream.h"

namespace platform::posix {

namespace {

// Room for the status line and headers on top of the body's cap.
constexpr size_t kHeadRoom = 64u << 10;

// What is left of the request's overall deadline, as the wait for one step: never longer than
// the time-out of a single wait, 0 once the deadline has passed.
class Deadline {
 public:
  Deadline(int totalMs, int stepMs)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs)), stepMs_(stepMs) {}
  // A step given less than the time-out of a single wait: cut short by the deadline.
  bool cuts(int waitMs) const { return waitMs < stepMs_; }
  int stepMs() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, stepMs_));
  }

 private:
  std::chrono::steady_clock::time_point end_;
  int stepMs_;
};

// Everything until the server closes, a gap longer than the time-out or an error; refused
// when the answer grows past `limit` or is still arriving at the deadline.
HttpAnswer::Refusal receiveAll(Stream& stream, const Deadline& deadline, size_t limit, std::string& response) {
  static const std::atomic<bool> never{false};
  char buffer[16384];
  for (;;) {
    int wait = deadline.stepMs();
    if (wait == 0) return HttpAnswer::Refusal::tooSlow;
    size_t got = 0;
    SocketStatus status = stream.receive(buffer, sizeof buffer, got, wait, never);
    if (status == SocketStatus::timedOut && deadline.cuts(wait)) return HttpAnswer::Refusal::tooSlow;
    if (status != SocketStatus::ok) return HttpAnswer::Refusal::none;
    if (got > limit - response.size()) return HttpAnswer::Refusal::tooLarge;
    response.append(buffer, got);
  }
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

HttpAnswer PosixHttpClient::get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) {
  static const std::atomic<bool> never{false};
  Deadline deadline(deadlineMs_, timeoutMs_);
  Stream stream;
  if (stream.connect(host, port, deadline.stepMs(), never) != SocketStatus::ok) return {};
  // An https server whose certificate fails the check gives nothing, as an unreachable one.
  if (secure && stream.secure(host, deadline.stepMs(), never) != TlsStatus::ok) return {};
  // No cache sits between us and the server; the pragma asks proxies on the way for the same.
  std::string request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: " + hostHeader(host, port, secure) +
                        "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n\r\n";
  if (stream.sendAll(request, deadline.stepMs(), never) != SocketStatus::ok) return {};
  try {
    std::string response;
    auto refusal = receiveAll(stream, deadline, maxBytes_ + kHeadRoom, response);
    if (refusal != HttpAnswer::Refusal::none) return {{}, refusal};
    HttpAnswer answer{responseBody(response)};
    if (answer.body.size() > maxBytes_) return {{}, HttpAnswer::Refusal::tooLarge};
    return answer;
  } catch (const std::bad_alloc&) {
    return {{}, HttpAnswer::Refusal::tooLarge};
  }
}

}  // namespace platform::posix
