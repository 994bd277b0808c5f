#include "download/http_head.h"

#include <cctype>

namespace download {

namespace {

constexpr int64_t kMaxNumber = int64_t{1} << 53;

bool equalsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string_view trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
  return t;
}

// A plain decimal number; false for an empty text, any other character or a huge value.
bool parseNumber(std::string_view t, int64_t& value) {
  if (t.empty()) return false;
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > kMaxNumber) return false;
  }
  value = v;
  return true;
}

// The end of the head: the index just past the first empty line, or npos.
size_t findHeadEnd(std::string_view bytes) {
  size_t lineStart = 0;
  for (;;) {
    size_t nl = bytes.find('\n', lineStart);
    if (nl == std::string_view::npos) return std::string_view::npos;
    std::string_view line = bytes.substr(lineStart, nl - lineStart);
    if (lineStart > 0 && (line.empty() || line == "\r")) return nl + 1;
    lineStart = nl + 1;
  }
}

bool parseStatusLine(std::string_view line, int& status) {
  line = trim(line);
  if (line.size() < 12 || line.substr(0, 5) != "HTTP/") return false;
  size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() < space + 4) return false;
  std::string_view code = line.substr(space + 1, 3);
  int64_t value = 0;
  if (!parseNumber(code, value) || value < 100) return false;
  if (line.size() > space + 4 && line[space + 4] != ' ') return false;
  status = static_cast<int>(value);
  return true;
}

// "bytes first-last/total" (total may be "*").
bool parseContentRange(std::string_view v, ResponseHead& head) {
  if (v.size() < 6 || !equalsFolded(v.substr(0, 6), "bytes ")) return false;
  v = trim(v.substr(6));
  // "*/length" belongs to a refusal (416) only: no range, the file's length.
  if (head.status == 416 && v.size() > 2 && v.substr(0, 2) == "*/") {
    int64_t total = -1;
    if (!parseNumber(v.substr(2), total)) return false;
    head.rangeTotal = total;
    return true;
  }
  size_t dash = v.find('-');
  size_t slash = v.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
  int64_t first = 0, last = 0, total = -1;
  if (!parseNumber(v.substr(0, dash), first) || !parseNumber(v.substr(dash + 1, slash - dash - 1), last)) return false;
  std::string_view t = v.substr(slash + 1);
  if (t != "*" && !parseNumber(t, total)) return false;
  if (last < first || (total >= 0 && last >= total)) return false;
  head.hasContentRange = true;
  head.rangeFirst = first;
  head.rangeLast = last;
  head.rangeTotal = total;
  return true;
}

// A validator goes back to the server in a request head and into the state record: no
// control bytes.
bool printable(std::string_view value) {
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool parseField(std::string_view name, std::string_view value, ResponseHead& head) {
  if (equalsFolded(name, "Content-Length")) {
    int64_t length = 0;
    if (!parseNumber(value, length)) return false;
    // Two different lengths leave the body's end unknown.
    if (head.contentLength >= 0 && head.contentLength != length) return false;
    head.contentLength = length;
  } else if (equalsFolded(name, "Location")) {
    head.location = std::string(value);
  } else if (equalsFolded(name, "Content-Range")) {
    // A second, different range leaves the body's place unknown.
    ResponseHead again = head;
    if (!parseContentRange(value, again)) return false;
    if (head.hasContentRange && (again.rangeFirst != head.rangeFirst || again.rangeLast != head.rangeLast ||
                                 again.rangeTotal != head.rangeTotal)) {
      return false;
    }
    head = again;
  } else if (equalsFolded(name, "Transfer-Encoding")) {
    if (equalsFolded(value, "chunked")) {
      head.chunked = true;
    } else if (!equalsFolded(value, "identity")) {
      head.transferCoded = true;
    }
  } else if (equalsFolded(name, "ETag") && printable(value)) {
    head.etag = std::string(value);
  } else if (equalsFolded(name, "Last-Modified") && printable(value)) {
    head.lastModified = std::string(value);
  }
  return true;
}

}  // namespace

std::string validatorOf(const ResponseHead& head) {
  bool weak = head.etag.size() >= 2 && head.etag.compare(0, 2, "W/") == 0;
  return !head.etag.empty() && !weak ? head.etag : head.lastModified;
}

std::string hostField(const Url& url) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  if (url.port != (url.secure ? 443 : 80)) host += ":" + std::to_string(url.port);
  return host;
}

std::string buildRequestHead(const Url& url, const std::string& referer, int64_t rangeStart,
                             const std::string& validator, bool viaProxy, int64_t rangeLast) {
  std::string host = hostField(url);
  std::string head;
  head.reserve(256 + url.path.size() + referer.size());
  // A proxy is given the whole address: it has to know where to forward the request.
  head += "GET " + (viaProxy ? formatUrl(url) : url.path) + " HTTP/1.1\r\n";
  head += "Host: " + host + "\r\n";
  head += "Accept: */*\r\n";
  head += "Referer: " + referer + "\r\n";
  head += std::string("User-Agent: ") + kUserAgent + "\r\n";
  std::string last = rangeLast >= rangeStart ? std::to_string(rangeLast) : std::string();
  if (rangeStart >= 0) head += "Range: bytes=" + std::to_string(rangeStart) + "-" + last + "\r\n";
  if (rangeStart >= 0 && !validator.empty()) head += "If-Range: " + validator + "\r\n";
  head += "Pragma: no-cache\r\n";
  head += "Cache-Control: no-cache\r\n";
  head += "Connection: close";
  head += "\r\n\r\n";
  return head;
}

HeadStatus parseResponseHead(std::string_view bytes, ResponseHead& head, size_t& headLength) {
  size_t end = findHeadEnd(bytes.substr(0, std::min(bytes.size(), kMaxHeadBytes)));
  if (end == std::string_view::npos) {
    return bytes.size() >= kMaxHeadBytes ? HeadStatus::malformed : HeadStatus::incomplete;
  }
  ResponseHead out;
  std::string_view text = bytes.substr(0, end);
  size_t nl = text.find('\n');
  if (!parseStatusLine(text.substr(0, nl), out.status)) return HeadStatus::malformed;
  size_t pos = nl + 1;
  while (pos < end) {
    size_t next = text.find('\n', pos);
    std::string_view line = trim(text.substr(pos, next - pos));
    pos = next + 1;
    if (line.empty()) break;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;  // tolerated: not a field we read
    if (!parseField(trim(line.substr(0, colon)), trim(line.substr(colon + 1)), out)) return HeadStatus::malformed;
  }
  head = out;
  headLength = end;
  return HeadStatus::complete;
}

}  // namespace download
