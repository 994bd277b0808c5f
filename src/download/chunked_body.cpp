#include "download/chunked_body.h"

#include <algorithm>

namespace download {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// A size of more than 15 hex digits would overflow; no file of this engine is that large.
bool ChunkedBody::sizeDigit(char c) {
  int v = hexValue(c);
  if (v < 0 || digits_ >= 15) return false;
  remaining_ = remaining_ * 16 + static_cast<uint64_t>(v);
  ++digits_;
  return true;
}

// The size line has ended: a chunk of data follows, or the last chunk's trailer.
void ChunkedBody::lineEnd() {
  if (digits_ == 0) {
    part_ = Part::bad;
  } else if (remaining_ == 0) {
    part_ = Part::trailer;
    trailerEmpty_ = true;
  } else {
    part_ = Part::data;
  }
}

ChunkedBody::Status ChunkedBody::feed(const char* bytes, size_t count, std::string& out) {
  for (size_t i = 0; i < count && part_ != Part::done && part_ != Part::bad;) {
    char c = bytes[i];
    switch (part_) {
      case Part::data: {
        size_t take = static_cast<size_t>(std::min<uint64_t>(remaining_, count - i));
        out.append(bytes + i, take);
        remaining_ -= take;
        i += take;
        if (remaining_ == 0) part_ = Part::dataEnd;
        continue;
      }
      case Part::size:
        if (c == ';' || c == ' ' || c == '\t') {
          part_ = Part::extension;
        } else if (c == '\r') {
          part_ = Part::sizeEnd;
        } else if (c == '\n') {
          lineEnd();
        } else if (!sizeDigit(c)) {
          part_ = Part::bad;
        }
        break;
      case Part::extension:
        if (c == '\r') part_ = Part::sizeEnd;
        if (c == '\n') lineEnd();
        break;
      case Part::sizeEnd:
        if (c == '\n') {
          lineEnd();
        } else {
          part_ = Part::bad;
        }
        break;
      case Part::dataEnd:
        if (c == '\r') {
          part_ = Part::dataEndLf;
          break;
        }
        [[fallthrough]];
      case Part::dataEndLf:
        if (c == '\n') {
          part_ = Part::size;
          digits_ = 0;
        } else {
          part_ = Part::bad;
        }
        break;
      case Part::trailer:
        if (c == '\r') {
          part_ = Part::trailerLf;
        } else if (c == '\n') {
          part_ = trailerEmpty_ ? Part::done : Part::trailer;
          trailerEmpty_ = true;
        } else {
          trailerEmpty_ = false;
        }
        break;
      case Part::trailerLf:
        if (c != '\n') {
          part_ = Part::bad;
        } else {
          part_ = trailerEmpty_ ? Part::done : Part::trailer;
          trailerEmpty_ = true;
        }
        break;
      case Part::done:
      case Part::bad:
        break;
    }
    ++i;
  }
  if (part_ == Part::bad) return Status::malformed;
  return part_ == Part::done ? Status::finished : Status::more;
}

}  // namespace download
