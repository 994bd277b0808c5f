#pragma once
#include <cstdint>
#include <vector>

namespace patching {

// The byte counts of one update run over all its files: the sizes the manifest gives, each
// replaced by the size the server tells once that file's download has started. A file whose
// size is unknown yet counts with 0 bytes.
class RunTotals {
 public:
  RunTotals() = default;
  explicit RunTotals(std::vector<int64_t> sizes);

  // File `index` (0-based) is next: the counts of the one before stay as they ended.
  void startFile(int index);
  // The server's size of the current file (0: not known yet, changes nothing).
  void learnSize(int64_t size);
  // The current file's bytes on disk, counting what an earlier run had fetched. The count
  // never goes back within a file: a late look after the download has ended reads 0.
  void setReceived(int64_t bytes);
  // The current file has ended: a complete one counts with its whole size; an incomplete
  // one keeps what it had, and the run is failed (also when no file is current: a patch
  // can fail after its download, in its check or its move).
  void finishFile(bool complete);

  int64_t totalBytes() const;
  int64_t doneBytes() const;
  int64_t remainingBytes() const;
  // Done out of the total in whole percent, rounded down; 100 for an empty run.
  int percent() const;
  int fileCount() const { return static_cast<int>(files_.size()); }
  int filesDone() const { return filesDone_; }
  bool failed() const { return failed_; }

 private:
  struct File {
    int64_t size = 0;
    int64_t done = 0;
  };
  File* current();

  std::vector<File> files_;
  int current_ = -1;
  int filesDone_ = 0;
  bool failed_ = false;
};

}  // namespace patching
