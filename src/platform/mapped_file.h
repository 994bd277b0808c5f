#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A preallocated file of fixed size that several threads store into at their own offsets,
// without a shared file position. No view of the whole file is needed, so a 32-bit process
// writes files of up to 2 GiB. Paths are launcher paths (GBK, '\' separators).
class MappedFile {
 public:
  MappedFile();
  ~MappedFile();
  MappedFile(MappedFile&&) noexcept;
  MappedFile& operator=(MappedFile&&) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Creates (or truncates) the file and reserves `size` bytes on disk. False when the file
  // cannot be created or the disk has no room.
  bool create(const std::string& path, uint32_t size);
  // Opens an existing file whose size is exactly `size`; false otherwise.
  bool openExisting(const std::string& path, uint32_t size);
  // Closes; the data written stays in the file.
  void close();

  // Makes the pages of [offset, offset + length) writable in one go, so a connection storing
  // into them does not take one page fault per page. A hint: failures are ignored.
  void prepareWrite(uint32_t offset, uint32_t length) const;

  // Stores `count` bytes at `offset`. False when the range lies outside the file, the file is
  // closed, or the system refuses the write (a failing disk). Threads may write disjoint
  // ranges at the same time.
  bool write(uint32_t offset, const char* bytes, size_t count) const;
  // As write, for stores of many whole pages at once by one thread: through the file rather
  // than its view where that spares the system reading each page in before it is overwritten.
  bool writeThrough(uint32_t offset, const char* bytes, size_t count) const;

  uint32_t size() const;
  bool isOpen() const;

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace platform
