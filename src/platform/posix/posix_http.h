#pragma once
#include <cstddef>

#include "platform/http_client.h"

namespace platform::posix {

// HTTP/1.0 GET over a plain socket. Waits at most `timeoutMs` for the connection and at most
// that long between two pieces of the answer, gives up on the whole request after
// `deadlineMs`, and refuses a body larger than `maxBytes`, so a dead, slow or endless server
// costs a bounded wait and memory.
class PosixHttpClient : public HttpClient {
 public:
  static constexpr int kDefaultTimeoutMs = 20000;

  explicit PosixHttpClient(int timeoutMs = kDefaultTimeoutMs, size_t maxBytes = kHttpMaxBody,
                           int deadlineMs = kHttpDeadlineMs)
      : timeoutMs_(timeoutMs), maxBytes_(maxBytes), deadlineMs_(deadlineMs) {}
  HttpAnswer get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override;

 private:
  int timeoutMs_;
  size_t maxBytes_;
  int deadlineMs_;
};

// The body of a raw HTTP response: what follows the header block; a response without a status
// line is all body (HTTP/0.9), one whose header block never ends has none.
std::string responseBody(const std::string& response);

}  // namespace platform::posix
