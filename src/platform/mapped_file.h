#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A file of fixed size mapped whole into memory for writing, so that several threads can
// store into it at their own offsets. Paths are launcher paths (GBK, '\' separators).
class MappedFile {
 public:
  MappedFile();
  ~MappedFile();
  MappedFile(MappedFile&&) noexcept;
  MappedFile& operator=(MappedFile&&) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Creates (or truncates) the file, reserves `size` bytes on disk and maps it.
  // False when the file cannot be created, the disk has no room, or the mapping fails.
  bool create(const std::string& path, uint32_t size);
  // Maps an existing file whose size is exactly `size`; false otherwise.
  bool openExisting(const std::string& path, uint32_t size);
  // Unmaps and closes; the data written stays in the file.
  void close();

  // Makes the pages of [offset, offset + length) writable in one go, so a connection storing
  // into them does not take one page fault per page. A hint: failures are ignored.
  void prepareWrite(uint32_t offset, uint32_t length) const;

  char* data() const;  // null for an empty or closed file
  uint32_t size() const;
  bool isOpen() const;

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace platform
