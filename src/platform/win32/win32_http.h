#pragma once
#include <cstddef>

#include "platform/http_client.h"

namespace platform::win32 {

// HTTP/1.0 GET through WinINet, past every local cache. Connect, send and receive each wait at
// most `timeoutMs`, and no more than `maxBytes` of the body are kept.
class Win32HttpClient : public HttpClient {
 public:
  static constexpr int kDefaultTimeoutMs = 20000;
  static constexpr size_t kDefaultMaxBytes = 64u << 20;

  explicit Win32HttpClient(int timeoutMs = kDefaultTimeoutMs, size_t maxBytes = kDefaultMaxBytes)
      : timeoutMs_(timeoutMs), maxBytes_(maxBytes) {}
  std::string get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override;

 private:
  int timeoutMs_;
  size_t maxBytes_;
};

}  // namespace platform::win32
