#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/url.h"

namespace download {

inline constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";
// The longest response head accepted; a longer one is treated as garbage.
inline constexpr size_t kMaxHeadBytes = 16384;

// The request head of one data request. rangeStart < 0 leaves out the Range line (the
// first request of a fresh download, which learns the size). A ranged request carries
// `validator` as If-Range, so a server whose file has changed answers with the whole new file.
// Through a proxy (`viaProxy`) the request names the whole address instead of the path.
// rangeLast >= rangeStart closes the range there (a probe of a few bytes); else it is open.
std::string buildRequestHead(const Url& url, const std::string& referer, int64_t rangeStart,
                             const std::string& validator = {}, bool viaProxy = false, int64_t rangeLast = -1);
// The Host field's value: the host, with the port unless it is the scheme's default.
std::string hostField(const Url& url);

struct ResponseHead {
  int status = 0;
  int64_t contentLength = -1;  // -1 when absent
  std::string location;        // empty when absent
  bool hasContentRange = false;
  int64_t rangeFirst = -1;
  int64_t rangeLast = -1;
  int64_t rangeTotal = -1;  // -1 for "*"
  bool chunked = false;        // "Transfer-Encoding: chunked": the body comes in framed pieces
  bool transferCoded = false;  // any other Transfer-Encoding than identity (compressed, stacked)
  std::string etag;
  std::string lastModified;
};

// What identifies this version of the file for If-Range: a strong ETag, else Last-Modified
// (a weak ETag may not be used there); empty when the answer has neither.
std::string validatorOf(const ResponseHead& head);

enum class HeadStatus { incomplete, complete, malformed };

// Looks for a whole response head at the start of `bytes` (up to the first blank line).
// On complete, `headLength` is the number of bytes of the head including the blank line;
// what follows belongs to the payload.
HeadStatus parseResponseHead(std::string_view bytes, ResponseHead& head, size_t& headLength);

}  // namespace download
