#include "platform/input_lines.h"

namespace platform {

void LineSplitter::feed(const char* bytes, size_t size, const std::function<void(const std::string&)>& line) {
  for (size_t i = 0; i < size; ++i) {
    char c = bytes[i];
    if (c == '\n') {
      if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      line(pending_);
      pending_.clear();
    } else if (pending_.size() < kLongestLine) {
      pending_ += c;
    }
  }
}

void LineSplitter::finish(const std::function<void(const std::string&)>& line) {
  if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
  if (!pending_.empty()) line(pending_);
  pending_.clear();
}

}  // namespace platform
