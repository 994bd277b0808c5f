#pragma once
#include <cstddef>

#include "platform/http_client.h"

namespace platform::posix {

// HTTP/1.0 GET over a plain socket. Waits at most `timeoutMs` for the connection and at most
// that long between two pieces of the answer, and keeps no more than `maxBytes`, so a dead or
// endless server costs a bounded wait and memory.
class PosixHttpClient : public HttpClient {
 public:
  static constexpr int kDefaultTimeoutMs = 20000;
  static constexpr size_t kDefaultMaxBytes = 64u << 20;

  explicit PosixHttpClient(int timeoutMs = kDefaultTimeoutMs, size_t maxBytes = kDefaultMaxBytes)
      : timeoutMs_(timeoutMs), maxBytes_(maxBytes) {}
  std::string get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override;

 private:
  int timeoutMs_;
  size_t maxBytes_;
};

// The body of a raw HTTP response: what follows the header block; a response without a status
// line is all body (HTTP/0.9), one whose header block never ends has none.
std::string responseBody(const std::string& response);

}  // namespace platform::posix
