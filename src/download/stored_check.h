#pragma once
#include <cstddef>
#include <cstdint>

namespace download {

// Checks the bytes of one answer as they are stored, in order, from the file offset it was
// made for. The engine keeps of a segment only what a check has passed: an answer that breaks
// off, or bytes that fail, are taken back to the last offset checked.
class StoredCheck {
 public:
  virtual ~StoredCheck() = default;
  // False when the bytes fed so far fail the check.
  virtual bool feed(const char* bytes, size_t count) = 0;
  // The file offset up to which every byte has passed.
  virtual int64_t checkedEnd() const = 0;
};

}  // namespace download
