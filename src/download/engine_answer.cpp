// Whether an answer carries the bytes a connection asked for, and the first answer that sizes the file.
#include <string>

#include "download/engine_task.h"
#include "download/engine_texts.h"
#include "download/http_head.h"

namespace download {

namespace {

// The answer to a ranged request still names the version the download began with. A 200
// to a request carrying If-Range is the server saying the file has changed, unless it
// names the same version (a server that ignores ranges altogether).
bool sameVersion(const std::string& ours, const ResponseHead& head) {
  if (ours.empty()) return true;
  const std::string& theirs = ours.front() == '"' ? head.etag : head.lastModified;
  if (theirs.empty()) return head.status != 200;
  return theirs == ours;
}

}  // namespace

// A source that serves another version of the file is told apart (differs) from one that
// answers nonsense: with no other source left, it means the file has been replaced.
EngineTask::Outcome EngineTask::refuse(int status, bool remoteChanged) {
  say(3, std::string(texts::kUnsupportedAnswer) + std::to_string(status) + "]");
  return remoteChanged ? Outcome::differs : Outcome::gaveUp;
}

// Decides whether a 200 or 206 answer carries the bytes asked for, and where its bytes end
// in the file (`answerEnd`).
EngineTask::Outcome EngineTask::acceptHead(const ResponseHead& head, int id, int& segment, int64_t& answerEnd) {
  if (segment < 0) return acceptFirst(head, id, segment, answerEnd);
  int64_t rangeStart = 0;
  std::string validator;
  {
    std::lock_guard guard(lock_);
    const Segment& s = table_.at(segment);
    rangeStart = s.start + s.received;
    validator = validator_;
  }
  // The operator has replaced the file since the download began (or this source serves
  // another version than the one the download began with).
  if (!sameVersion(validator, head)) return refuse(head.status, true);
  // Beside chunked framing a Content-Length says nothing about the body.
  int64_t length = head.chunked ? -1 : head.contentLength;
  bool fits = true;
  if (params_.rangesOnly && (head.status != 206 || !head.hasContentRange)) {
    // A whole file, or a range of unknown place, where chosen ranges were asked for.
    fits = false;
  } else if (head.status == 200) {
    // A whole-file answer holds the bytes from offset 0, not those of this range.
    fits = rangeStart == 0 && (length < 0 || length == fileSize_);
    answerEnd = fileSize_;
  } else if (head.hasContentRange) {
    fits = head.rangeFirst == rangeStart && (head.rangeTotal < 0 || head.rangeTotal == fileSize_) &&
           head.rangeLast < fileSize_ && (length < 0 || length == head.rangeLast - head.rangeFirst + 1);
    answerEnd = head.rangeLast + 1;
  } else {
    fits = length < 0 || length == fileSize_ - rangeStart;
    answerEnd = fileSize_;
  }
  if (!fits) {
    // Another total than the one this file was begun with: the file has been replaced.
    int64_t total = head.hasContentRange ? head.rangeTotal
                    : head.status == 200  ? length
                    : length >= 0 ? rangeStart + length : -1;
    return refuse(head.status, total >= 0 && total != fileSize_);
  }
  bool announce = false;
  {
    std::lock_guard guard(lock_);
    announce = !sizeAnnounced_;
    sizeAnnounced_ = true;
  }
  if (announce) event(kEventSizeKnown, 0, static_cast<int32_t>(fileSize_));
  return Outcome::done;
}

// The first answer of a fresh download fixes the size, creates the file and builds the
// table. A 206 to the unranged request sizes the file from its range's total; its bytes end
// with the range and the rest is asked for afterwards.
EngineTask::Outcome EngineTask::acceptFirst(const ResponseHead& head, int id, int& segment, int64_t& answerEnd) {
  int64_t size = -1;
  if (head.status == 200) {
    // The size of a chunked whole-file answer is known only from a Content-Length beside it.
    size = head.contentLength;
    answerEnd = size;
  } else if (head.hasContentRange && head.rangeFirst == 0 && head.rangeTotal >= 0 &&
             (head.chunked || head.contentLength < 0 || head.contentLength == head.rangeLast + 1)) {
    size = head.rangeTotal;
    answerEnd = head.rangeLast + 1;
  }
  if (size < 0) return refuse(head.status, false);
  return claimFile(size, validatorOf(head), id, segment);
}

}  // namespace download
