#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "download/chunked_body.h"
#include "download/engine_task.h"
#include "download/engine_texts.h"
#include "download/http_head.h"
#include "support/support_notes.h"

namespace download {

namespace {

using Clock = std::chrono::steady_clock;

// A paused connection keeps its socket for this long, then closes it so that the server does
// not time the request out, and asks again on resume.
constexpr std::chrono::milliseconds kPausedConnectionKept{30000};

}  // namespace

void EngineTask::connectionMain(int id, int segment, int source) {
  event(kEventConnectionStarted, id, segment);
  int retries = 0;
  for (;;) {
    if (!waitWhilePaused()) break;
    Attempt attempt{id, source};
    Outcome outcome = fetchOnce(attempt, segment);
    if ((outcome == Outcome::again || outcome == Outcome::paused) && !stop_.load()) continue;
    if (outcome == Outcome::done || outcome == Outcome::stopped || stop_.load()) break;
    if (outcome == Outcome::differs) {
      std::lock_guard guard(lock_);
      sourceDiffered_ = true;
    }
    std::string why = failureText(outcome, attempt.answer);
    if (moveToAnotherSource(source, why)) continue;
    // What no other source mends is left to the caller's whole download, without waiting.
    if (params_.rangesOnly && outcome != Outcome::failed) {
      abandon(why);
      break;
    }
    if (isRefusal(outcome)) {
      endForRefusal(outcome);
      break;
    }
    if (outcome == Outcome::differs) {
      // The file has been replaced since the download began: no part of what is here belongs to the new one.
      std::lock_guard guard(lock_);
      remoteChanged_ = true;
    }
    if (outcome != Outcome::failed || retries >= rules_.maxRetries) break;
    noteFailure(source, why);
    ++retries;
    say(0, texts::kWaitPrefix + std::to_string(rules_.waitMs / 1000) + texts::kRetrySuffix);
    if (!waitOrStop(rules_.waitMs)) break;
  }
  {
    std::lock_guard guard(lock_);
    if (segment >= 0 && table_.at(segment).owner == id) table_.at(segment).owner = 0;
    sources_.detach(source);
    --running_;
    for (Worker& w : workers_) {
      if (w.id == id) w.finished = true;
    }
    wake_.notify_all();
  }
  event(kEventConnectionEnded, id, segment);
}

// A source that failed this connection is left for the rest of the file while another one
// serves it: the connection carries on with its segment there at once. A failure of the
// file itself (it cannot be written) is no source's fault.
bool EngineTask::moveToAnotherSource(int& source, const std::string& why) {
  Url failed;
  std::string address;
  bool first = false;  // the other connections on it follow: the log tells the first reason once
  {
    std::lock_guard guard(lock_);
    failed = sources_.url(source);
    address = sourceAddress(source);
    int left = source;
    if (fileFailed_ || !sources_.moveFrom(source)) return false;
    first = sources_.leftFor(left).empty();
    if (first) sources_.setLeftFor(left, why);
  }
  say(3, texts::kSourceDropped + failed.host + ":" + std::to_string(failed.port) + "]");
  if (first) note(support::sourceLeftNote(address, why));
  return true;
}

// One request, following redirects, over as many connections as they take.
EngineTask::Outcome EngineTask::fetchOnce(Attempt& attempt, int& segment) {
  Url url;
  std::string referer;
  {
    std::lock_guard guard(lock_);
    url = sources_.url(attempt.source);
    referer = sources_.referer(attempt.source);
  }
  int redirects = 0;
  for (;;) {
    platform::Stream socket;
    bool absoluteTarget = false;
    attempt.answer = -1;
    Outcome reached = reach(socket, url, absoluteTarget);
    if (reached != Outcome::done) return reached;
    attempt.answer = 0;
    int before = redirects;
    Outcome outcome = exchange(socket, url, referer, attempt, segment, redirects, absoluteTarget);
    if (redirects == before) return outcome;
    if (redirects > rules_.maxRedirects) {
      say(3, texts::kBadRedirect);
      return Outcome::gaveUp;
    }
  }
}

// Sends the request and reads the answer on a connected socket. A redirect changes `url`,
// counts in `redirects` and returns so that the caller connects anew.
EngineTask::Outcome EngineTask::exchange(platform::Stream& socket, Url& url, const std::string& referer,
                                         Attempt& attempt, int& segment, int& redirects, bool absoluteTarget) {
  int64_t rangeStart = -1, rangeLast = -1;
  std::string validator;
  if (segment >= 0) {
    std::lock_guard guard(lock_);
    const Segment& s = table_.at(segment);
    if (s.complete()) return Outcome::done;
    rangeStart = s.start + s.received;
    // A closed range: the server sends nothing past the segment, which is often followed by
    // bytes the file already has. Under a speed limit too: the server queues megabytes ahead
    // of a slow reader, and would count them as sent when the segment's connection closes.
    if (params_.rangesOnly || limited()) rangeLast = s.start + s.length - 1;
    validator = validator_;
  } else if (limited() && !shortFirstRefused_.load()) {
    // The first request learns the size from a short range's total: a whole-file answer would
    // have the server queue megabytes on this connection before it could be left.
    rangeStart = 0;
    rangeLast = kReceiveBuffer - 1;
  }
  std::string request = buildRequestHead(url, referer, rangeStart, validator, absoluteTarget, rangeLast);
  Outcome sent = sendRequest(socket, request);
  if (sent != Outcome::done) return sent;

  std::string pending;
  ResponseHead head;
  Outcome received = receiveHead(socket, pending, head);
  attempt.answer = head.status;
  bool first = segment < 0;
  // The short first range of a limited download names a byte an empty file does not have:
  // after the server's refusal the size is asked for without a range.
  if (first && rangeLast >= 0 && head.status == 416 && received == Outcome::done) {
    shortFirstRefused_ = true;
    return Outcome::again;
  }
  // A whole head that makes no sense is the server's answer all the same: asking again
  // would only bring the same one.
  if (received == Outcome::gaveUp) return refuse(head.status, false);
  if (received != Outcome::done) return received;

  if (head.status == 407 && absoluteTarget) return refused(Outcome::proxyRefused, proxyRefusal(head.status));
  if (head.status == 301 || head.status == 302) {
    Url target;
    if (!resolveLocation(url, head.location, target)) {
      say(3, texts::kBadRedirect);
      return Outcome::gaveUp;
    }
    say(0, texts::kRedirectedTo + formatUrl(target) + "]");
    url = target;
    ++redirects;
    return Outcome::failed;
  }
  if (head.status == 400 || head.status == 403 || head.status == 404) {
    say(3, texts::kErrorOccurred);
    return Outcome::gaveUp;
  }
  // A compressed body is not the file's bytes; a chunked one is taken out of its frames.
  if ((head.status != 200 && head.status != 206) || head.transferCoded) return refuse(head.status, false);
  int64_t answerEnd = 0;
  Outcome accepted = acceptHead(head, attempt.id, segment, answerEnd);
  if (accepted != Outcome::done) return accepted;
  // Under a speed limit the whole-file answer that gave the size is left at once, and the first
  // segment asked for as a closed range like the others.
  if (first && limited() && head.status == 200 && answerEnd > 0) return Outcome::again;
  return receiveBody(socket, attempt.source, segment, head, answerEnd, pending);
}

// Receives until `pending` begins with a whole response head, which is taken off it (what
// follows is payload). failed: the connection broke first (tried again); gaveUp: the head
// makes no sense.
EngineTask::Outcome EngineTask::receiveHead(platform::Stream& socket, std::string& pending, ResponseHead& head) {
  size_t headLength = 0;
  char buffer[kReceiveBuffer];
  for (;;) {
    size_t got = 0;
    int64_t ask = 0;
    {
      std::lock_guard guard(lock_);
      ask = receiveAsk(kReceiveBuffer);
    }
    platform::SocketStatus status =
        socket.receive(buffer, static_cast<size_t>(ask), got, params_.receiveTimeout, stop_);
    if (status == platform::SocketStatus::stopped) return Outcome::stopped;
    if (status != platform::SocketStatus::ok) return Outcome::failed;
    pending.append(buffer, got);
    HeadStatus parsed = parseResponseHead(pending, head, headLength);
    if (parsed == HeadStatus::malformed) return Outcome::gaveUp;
    if (parsed == HeadStatus::complete) break;
  }
  say(2, pending.substr(0, headLength));
  pending.erase(0, headLength);
  return Outcome::done;
}

EngineTask::Outcome EngineTask::claimFile(int64_t size, const std::string& validator, int id, int& segment) {
  {
    std::lock_guard guard(lock_);
    offeredSize_ = size;
  }
  // A caller that knows the file's size takes no other: a larger answer would take the disk
  // before the file could be told wrong.
  if (params_.expectedSize > 0 && size != params_.expectedSize) {
    say(3, std::string(texts::kSizeRefused) + std::to_string(size) + "]");
    return Outcome::sizeRefused;
  }
  // Offsets and counts of the state record are 32-bit: a larger file is refused whole. The
  // room is asked for first, so that a file that cannot fit is never created in part.
  bool tooLarge = size > INT32_MAX;
  bool noRoom = !tooLarge && params_.roomFor && !params_.roomFor(size);
  if (tooLarge || noRoom || !file_.create(params_.localFile, static_cast<uint32_t>(size))) {
    say(3, texts::kCreateFileError);
    std::lock_guard guard(lock_);
    fileFailed_ = true;
    if (noRoom) failure_ = DownloadFailure::noRoom;
    return Outcome::gaveUp;
  }
  {
    std::lock_guard guard(lock_);
    fileSize_ = size;
    validator_ = validator;
    table_ = SegmentTable::fresh(size, params_.connections);
    table_.at(0).owner = id;
    segment = 0;
    sizeAnnounced_ = true;
  }
  event(kEventSizeKnown, 0, static_cast<int32_t>(size));
  {
    std::lock_guard guard(lock_);
    wantedConnections_ = std::max(params_.connections - 1, 0);
    wake_.notify_all();
  }
  return Outcome::done;
}

// Writes bytes of the segment at file offset `at` and counts them; false when the file
// refused them.
bool EngineTask::store(int source, int segment, int64_t at, const char* bytes, size_t count) {
  if (!file_.write(static_cast<uint32_t>(at), bytes, count)) {
    say(3, texts::kCreateFileError);
    std::lock_guard guard(lock_);
    fileFailed_ = true;
    return false;
  }
  std::lock_guard guard(lock_);
  Segment& s = table_.at(segment);
  int64_t counted = std::min<int64_t>(static_cast<int64_t>(count), s.missing());
  s.received += counted;
  received_ += counted;
  speedCounter_ += counted;
  sources_.served(source, counted);
  return true;
}

// With a stored check, the segment keeps only the bytes that passed it, whatever the end.
EngineTask::Outcome EngineTask::receiveBody(platform::Stream& socket, int source, int segment,
                                            const ResponseHead& head, int64_t answerEnd, const std::string& pending) {
  if (!params_.checkFrom) return receiveChecked(socket, source, segment, head, answerEnd, pending, nullptr);
  int64_t at = 0;
  {
    std::lock_guard guard(lock_);
    const Segment& s = table_.at(segment);
    at = s.start + s.received;
  }
  std::unique_ptr<StoredCheck> check = params_.checkFrom(at);
  if (!check) return Outcome::corrupt;
  Outcome outcome = receiveChecked(socket, source, segment, head, answerEnd, pending, check.get());
  keepChecked(segment, check->checkedEnd());
  return outcome;
}

void EngineTask::keepChecked(int segment, int64_t checkedEnd) {
  std::lock_guard guard(lock_);
  Segment& s = table_.at(segment);
  int64_t keep = std::clamp<int64_t>(checkedEnd - s.start, 0, s.length);
  if (keep >= s.received) return;
  received_ -= s.received - keep;
  s.received = keep;
}

// Stores the payload that came with the head, then receives until the segment is complete
// or the answer's bytes run out.
EngineTask::Outcome EngineTask::receiveChecked(platform::Stream& socket, int source, int segment,
                                               const ResponseHead& head, int64_t answerEnd,
                                               const std::string& pending, StoredCheck* check) {
  // The socket copies into this buffer and the buffer into the file: receiving straight
  // into file-backed pages costs the kernel more than twice the time of the extra copy.
  std::vector<char> buffer(kReceiveBuffer);
  // Pages are made writable a stretch at a time ahead of the data (see MappedFile::prepareWrite).
  constexpr int64_t kPrepareStretch = 2 << 20;
  int64_t prepared = 0;  // file offset up to which this connection's pages are ready
  int64_t began = -1;    // where this answer's bytes started
  bool pendingTaken = false;
  ChunkedBody chunks;
  std::string unframed;
  bool framesEnded = false;
  for (;;) {
    int64_t ask = 0, at = 0, end = 0;
    {
      std::lock_guard guard(lock_);
      const Segment& s = table_.at(segment);
      if (s.complete()) return Outcome::done;
      at = s.start + s.received;
      end = std::min(s.start + s.length, answerEnd);
      ask = at < end ? receiveAsk(end - at) : 0;
    }
    if (began < 0) began = at;
    if (at >= answerEnd || framesEnded) return at > began ? Outcome::again : Outcome::failed;
    const char* bytes = pending.data();
    size_t got = pending.size();
    Clock::time_point started = Clock::now();
    if (pendingTaken) {
      Outcome budget = awaitBudget(ask);
      if (budget != Outcome::done) return budget;
      if (at + ask > prepared) {
        prepared = std::min(at + kPrepareStretch, end);
        file_.prepareWrite(static_cast<uint32_t>(at), static_cast<uint32_t>(prepared - at));
      }
      platform::SocketStatus status =
          socket.receive(buffer.data(), static_cast<size_t>(ask), got, params_.receiveTimeout, stop_);
      if (params_.control) params_.control->giveBack(ask - static_cast<int64_t>(got));
      if (status == platform::SocketStatus::stopped) return Outcome::stopped;
      if (status != platform::SocketStatus::ok) return Outcome::failed;  // closed early, reset or silent
      bytes = buffer.data();
    }
    if (head.chunked) {
      unframed.clear();
      ChunkedBody::Status framing = chunks.feed(bytes, got, unframed);
      if (framing == ChunkedBody::Status::malformed) return refuse(head.status, false);
      framesEnded = framing == ChunkedBody::Status::finished;
      bytes = unframed.data();
      got = unframed.size();
    }
    // Bytes past the segment (the answer goes on into the next one) are not this connection's.
    got = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(got), end - at));
    if (got > 0 && !store(source, segment, at, bytes, got)) return Outcome::gaveUp;
    if (check && !check->feed(bytes, got)) return Outcome::corrupt;
    if (!std::exchange(pendingTaken, true)) continue;
    event(kEventStored, segment, static_cast<int32_t>(got));
    if (params_.rateLimit > 0) {
      auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
      if (spent < 1000 && !waitOrStop(static_cast<int>(1000 - spent))) return Outcome::stopped;
    }
  }
}

// Bytes one receive call may ask for (called under the lock).
int64_t EngineTask::receiveAsk(int64_t missing) const {
  int64_t chunk = params_.receiveChunk > 0 ? params_.receiveChunk : kReceiveBuffer;
  if (params_.rateLimit > 0) chunk = std::max<int64_t>(params_.rateLimit / std::max(running_, 1), 1);
  return std::min({missing, chunk, kReceiveBuffer});
}

EngineTask::Outcome EngineTask::awaitBudget(int64_t& ask) {
  if (!params_.control) return Outcome::done;
  int64_t granted = 0;
  switch (params_.control->grant(ask, granted, stop_, kPausedConnectionKept)) {
    case TransferControl::Wait::granted: ask = granted; return Outcome::done;
    case TransferControl::Wait::pausedTooLong: return Outcome::paused;
    default: return Outcome::stopped;
  }
}

bool EngineTask::limited() const { return params_.control && params_.control->rate() > 0; }

bool EngineTask::waitWhilePaused() {
  return !params_.control || !params_.control->paused() || params_.control->waitResumed(stop_);
}

bool EngineTask::waitOrStop(int milliseconds) {
  std::unique_lock lock(lock_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return stop_.load(); });
}

}  // namespace download
