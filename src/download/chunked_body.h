#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace download {

// Takes the framing off a body sent with "Transfer-Encoding: chunked", fed in whatever
// pieces the connection delivers.
class ChunkedBody {
 public:
  enum class Status { more, finished, malformed };

  // Appends the payload bytes found in `bytes` to `out`; after `finished` or `malformed`
  // further bytes are ignored.
  Status feed(const char* bytes, size_t count, std::string& out);

 private:
  enum class Part { size, extension, sizeEnd, data, dataEnd, dataEndLf, trailer, trailerLf, done, bad };

  bool sizeDigit(char c);
  void lineEnd();

  Part part_ = Part::size;
  uint64_t remaining_ = 0;
  int digits_ = 0;
  bool trailerEmpty_ = true;
};

}  // namespace download
