#pragma once
#include <cstddef>
#include <string>

namespace platform {

// A manifest is a few hundred kilobytes; an answer larger than this is refused outright, so a
// hostile server cannot make the launcher hold (or fail to hold) hundreds of megabytes.
inline constexpr size_t kHttpMaxBody = 8u << 20;
// However slowly a server trickles its answer, one request ends after this long.
inline constexpr int kHttpDeadlineMs = 30000;

// What a GET gave: the body, or why an answer was refused (then the body is empty).
struct HttpAnswer {
  enum class Refusal { none, tooLarge, tooSlow };
  std::string body;
  Refusal refusal = Refusal::none;
};

// One HTTP/1.0 GET ("Accept: */*", no cache), as the manifest fetch needs it; over TLS when
// `secure` is set (the certificate checked against the system's trust store and the host).
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // The response body, whatever the status; an unreachable server or a broken connection
  // gives the bytes that arrived, possibly none. A body larger than the cap or one that cannot
  // be held is refused as tooLarge, an answer still arriving at the deadline as tooSlow.
  virtual HttpAnswer get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) = 0;
};

}  // namespace platform
