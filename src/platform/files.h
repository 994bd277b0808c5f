#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The sibling a whole replacement is written to before it is renamed over its target. A name
// no game ships, so a client's own "<name>.new" is never taken for a leftover and removed.
inline constexpr const char* kReplacementSuffix = ".launcher-new";

// What tells whether a file may have changed without reading it: its size, its last write
// and which file it is on its volume (a file put in its place is another one, even with the
// same size and time).
struct FileStamp {
  int64_t size = 0;
  int64_t writeTime = 0;  // in the system's own units
  uint64_t volume = 0;    // volume serial number / device
  uint64_t index = 0;     // file index / inode
  bool operator==(const FileStamp&) const = default;
};

// File operations on paths in the system's code page with '\' separators (the posix side
// maps them to '/').
class Files {
 public:
  virtual ~Files() = default;
  virtual bool exists(const std::string& path) = 0;  // a file or folder of that name
  virtual bool isDirectory(const std::string& path) = 0;
  virtual bool createDirectory(const std::string& path) = 0;  // one level
  virtual bool readWhole(const std::string& path, std::string& bytes) = 0;
  // Reads up to maxBytes from the start of the file.
  virtual bool readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) = 0;
  // Streams the file in blocks of at most blockSize; the sink returns false to stop early.
  virtual bool readBlocks(const std::string& path, size_t blockSize,
                          const std::function<bool(const char*, size_t)>& sink) = 0;
  virtual bool writeWhole(const std::string& path, const std::string& bytes) = 0;  // create or truncate
  // Writes a sibling (kReplacementSuffix) and renames it over `path`: a crash or a full disk leaves the
  // old contents or the new ones, never a cut-short file.
  virtual bool replaceWhole(const std::string& path, const std::string& bytes) = 0;
  // Adds the bytes at the end of the file, creating it when missing.
  virtual bool appendWhole(const std::string& path, const std::string& bytes) = 0;
  virtual bool moveFile(const std::string& from, const std::string& to) = 0;  // plain rename, fails if `to` exists
  // With overwrite, an existing `to` is replaced whole or left as it was (a full disk, a
  // program holding it): the copy is made beside it and renamed over it.
  virtual bool copyFile(const std::string& from, const std::string& to, bool overwrite) = 0;
  // Renames `from` over an existing `to` in one step (the same volume), which keeps its
  // permissions; false, leaving both as they were, where that cannot be done: `to` held by
  // another program, another volume, or a system without it (the default).
  virtual bool replaceByRename(const std::string& from, const std::string& to) {
    (void)from;
    (void)to;
    return false;
  }
  virtual bool deleteFile(const std::string& path) = 0;
  virtual bool fileSize(const std::string& path, int64_t& size) = 0;
  // The stamp of a regular file; false for a folder or anything that cannot be asked.
  virtual bool fileStamp(const std::string& path, FileStamp& stamp) = 0;
  // Bytes this user may still write on the volume that holds `path` (an existing folder).
  virtual bool freeSpace(const std::string& path, int64_t& bytes) = 0;
  // A display name of a program that holds the file open, or empty when none is known.
  virtual std::string holderOf(const std::string& path) = 0;
  // No trailing separator; empty when the system's code page cannot spell the folder.
  virtual std::string currentDirectory() = 0;
  virtual bool setCurrentDirectory(const std::string& path) = 0;
};

}  // namespace platform
