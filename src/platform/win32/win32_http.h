#pragma once
#include <cstddef>

#include "platform/http_client.h"

namespace platform::win32 {

// HTTP/1.0 GET through WinINet, past every local cache. Connect, send and receive each wait at
// most `timeoutMs`, the whole request at most `deadlineMs`, and a body larger than `maxBytes`
// is refused.
class Win32HttpClient : public HttpClient {
 public:
  static constexpr int kDefaultTimeoutMs = 20000;

  explicit Win32HttpClient(int timeoutMs = kDefaultTimeoutMs, size_t maxBytes = kHttpMaxBody,
                           int deadlineMs = kHttpDeadlineMs)
      : timeoutMs_(timeoutMs), maxBytes_(maxBytes), deadlineMs_(deadlineMs) {}
  HttpAnswer get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override;

 private:
  int timeoutMs_;
  size_t maxBytes_;
  int deadlineMs_;
};

}  // namespace platform::win32
