#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace standin {

// One request head, as far as the stand-in cares.
struct Request {
  std::string method;
  std::string target;  // as sent
  std::string path;    // target without the query
  std::string query;   // without the '?'
  std::string version;
  std::string host;    // Host header
  std::string range;   // Range header
};

// Parses "METHOD target HTTP/x.y" and the headers; false for anything else.
bool parseRequest(const std::string& head, Request& request);

struct ByteRange {
  int64_t first = 0;
  int64_t last = 0;  // inclusive
};
enum class RangeResult { Whole, Partial, Unsatisfiable };
// One "bytes=" range against a body of `size` bytes; several ranges or a form it does not
// know are answered with the whole body, as a server may.
RangeResult parseRange(const std::string& header, int64_t size, ByteRange& range);

// The request path as a relative file path: %XX decoded, no leading '/', and no ".." step,
// empty or control bytes; false when it must not be served.
bool relativeFilePath(const std::string& path, std::string& relative);

std::string statusText(int status);

// Replaces every "@NAME@" whose NAME is a key of `values`.
std::string expandTokens(const std::string& text, const std::map<std::string, std::string>& values);

}  // namespace standin
