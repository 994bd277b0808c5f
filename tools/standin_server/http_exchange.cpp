#include "http_exchange.h"

#include <cctype>
#include <cstdlib>

namespace standin {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool digits(const std::string& s, int64_t& value) {
  if (s.empty() || s.size() > 18) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool parseRequest(const std::string& head, Request& r) {
  size_t lineEnd = head.find("\r\n");
  std::string line = head.substr(0, lineEnd);
  size_t s1 = line.find(' ');
  size_t s2 = line.find(' ', s1 == std::string::npos ? s1 : s1 + 1);
  if (s1 == std::string::npos || s2 == std::string::npos || s1 == 0 || s2 == s1 + 1) return false;
  r.method = line.substr(0, s1);
  r.target = line.substr(s1 + 1, s2 - s1 - 1);
  r.version = line.substr(s2 + 1);
  if (r.version.rfind("HTTP/", 0) != 0 || r.target[0] != '/') return false;
  size_t q = r.target.find('?');
  r.path = r.target.substr(0, q);
  r.query = q == std::string::npos ? "" : r.target.substr(q + 1);
  for (size_t at = lineEnd; at != std::string::npos && at + 2 < head.size();) {
    size_t next = head.find("\r\n", at + 2);
    std::string header = head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
    at = next;
    size_t colon = header.find(':');
    if (colon == std::string::npos) continue;
    std::string name = lower(trim(header.substr(0, colon)));
    if (name == "host") r.host = trim(header.substr(colon + 1));
    if (name == "range") r.range = trim(header.substr(colon + 1));
  }
  return true;
}

RangeResult parseRange(const std::string& header, int64_t size, ByteRange& range) {
  if (lower(header.substr(0, 6)) != "bytes=") return RangeResult::Whole;
  std::string spec = trim(header.substr(6));
  size_t dash = spec.find('-');
  if (spec.find(',') != std::string::npos || dash == std::string::npos) return RangeResult::Whole;
  std::string a = trim(spec.substr(0, dash));
  std::string b = trim(spec.substr(dash + 1));
  int64_t first = 0, last = 0;
  if (a.empty()) {  // the last N bytes
    if (!digits(b, last)) return RangeResult::Whole;
    if (last == 0 || size == 0) return RangeResult::Unsatisfiable;
    range = {last >= size ? 0 : size - last, size - 1};
    return RangeResult::Partial;
  }
  if (!digits(a, first)) return RangeResult::Whole;
  if (b.empty()) {
    last = size - 1;
  } else if (!digits(b, last) || last < first) {
    return RangeResult::Whole;
  }
  if (first >= size) return RangeResult::Unsatisfiable;
  range = {first, last >= size ? size - 1 : last};
  return RangeResult::Partial;
}

bool relativeFilePath(const std::string& path, std::string& relative) {
  std::string decoded;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && hexValue(path[i + 1]) >= 0 && hexValue(path[i + 2]) >= 0) {
      decoded += static_cast<char>(hexValue(path[i + 1]) * 16 + hexValue(path[i + 2]));
      i += 2;
    } else {
      decoded += path[i];
    }
  }
  while (!decoded.empty() && decoded[0] == '/') decoded.erase(0, 1);
  if (decoded.empty()) return false;
  for (size_t start = 0; start <= decoded.size();) {
    size_t slash = decoded.find('/', start);
    if (slash == std::string::npos) slash = decoded.size();
    std::string step = decoded.substr(start, slash - start);
    if (step.empty() || step == "." || step == "..") return false;
    start = slash + 1;
  }
  for (unsigned char c : decoded)
    if (c < 0x20 || c == '\\') return false;
  relative = decoded;
  return true;
}

std::string statusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

std::string expandTokens(const std::string& text, const std::map<std::string, std::string>& values) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t at = text.find('@', i);
    if (at == std::string::npos) {
      out.append(text, i, std::string::npos);
      break;
    }
    out.append(text, i, at - i);
    size_t end = text.find('@', at + 1);
    auto it = end == std::string::npos ? values.end() : values.find(text.substr(at + 1, end - at - 1));
    if (it == values.end()) {
      out += '@';
      i = at + 1;
    } else {
      out += it->second;
      i = end + 1;
    }
  }
  return out;
}

}  // namespace standin
