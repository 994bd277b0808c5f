#pragma once
#include <string>

namespace platform {

// One HTTP/1.0 GET ("Accept: */*", no cache), as the manifest fetch needs it; over TLS when
// `secure` is set (the certificate checked against the system's trust store and the host).
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // The response body, whatever the status; an unreachable server or a broken connection
  // gives the bytes that arrived, possibly none.
  virtual std::string get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) = 0;
};

}  // namespace platform
