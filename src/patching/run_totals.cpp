#include "patching/run_totals.h"

#include <algorithm>

#include "patching/format_size.h"
#include "patching/progress_display.h"

namespace patching {

RunTotals::RunTotals(std::vector<int64_t> sizes) {
  for (int64_t size : sizes) files_.push_back({std::max<int64_t>(size, 0), 0});
}

RunTotals::File* RunTotals::current() {
  if (current_ < 0 || current_ >= fileCount()) return nullptr;
  return &files_[static_cast<size_t>(current_)];
}

void RunTotals::startFile(int index) {
  current_ = index;
  if (File* f = current()) f->done = 0;
}

void RunTotals::learnSize(int64_t size) {
  File* f = current();
  if (f && size > 0) f->size = size;
}

void RunTotals::setReceived(int64_t bytes) {
  File* f = current();
  if (f) f->done = std::max(f->done, bytes);
}

void RunTotals::finishFile(bool complete) {
  File* f = current();
  current_ = -1;
  if (!complete) {
    failed_ = true;
    return;
  }
  if (!f) return;
  // A file whose size was never told counts with what arrived.
  f->size = std::max(f->size, f->done);
  f->done = f->size;
  ++filesDone_;
}

int64_t RunTotals::totalBytes() const {
  int64_t sum = 0;
  // A file that grew past the size it was announced with counts with what it holds.
  for (const File& f : files_) sum = addSizes(sum, std::max(f.size, f.done));
  return sum;
}

int64_t RunTotals::doneBytes() const {
  int64_t sum = 0;
  for (const File& f : files_) sum = addSizes(sum, f.done);
  return sum;
}

int64_t RunTotals::remainingBytes() const { return totalBytes() - doneBytes(); }

int RunTotals::percent() const { return progressPercent(doneBytes(), totalBytes()); }

}  // namespace patching
