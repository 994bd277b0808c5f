// What the support log learns of a download's sources: which one served how much, which one
// was left and why, and a connection that keeps failing, so that a player's log shows what
// a progress bar standing at 0 % meant.
#include <string>
#include <vector>

#include "download/engine_task.h"
#include "support/support_notes.h"

namespace download {

std::string EngineTask::failureText(Outcome outcome, int answer) {
  switch (outcome) {
    case Outcome::differs: return "serves another version of the file";
    case Outcome::sizeRefused: return "serves a file of another size";
    case Outcome::certificateRefused: return "certificate refused";
    case Outcome::proxyRefused: return "proxy refused";
    case Outcome::proxyInvalid: return "proxy settings unusable";
    case Outcome::corrupt: return "served bytes that fail the file's chunk hashes";
    case Outcome::gaveUp:
      return answer > 0 ? "answered status " + std::to_string(answer) : std::string("answer not readable");
    default:
      if (answer < 0) return "no connection";
      return answer == 0 ? "no answer" : "answer broke off";
  }
}

void EngineTask::note(const std::string& line) const {
  if (params_.supportNote) params_.supportNote(line);
}

// The address without its cache-busting stamp, which differs on every run.
std::string EngineTask::sourceAddress(int source) const {
  Url url = sources_.url(source);
  url.path = withoutStamp(url.path);
  return formatUrl(url);
}

// A failure that will be tried again: the first is told at once, the rest about once a minute.
void EngineTask::noteFailure(int source, const std::string& why) {
  if (!params_.supportNote) return;
  support::RepeatedFailures::Note due = failures_.failed(params_.clock ? params_.clock() : 0);
  if (due.count == 0) return;
  std::string address;
  {
    std::lock_guard guard(lock_);
    address = sourceAddress(source);
  }
  note(support::failingNote(address, why, due.count, due.first));
}

// Called once every connection has ended: one line for each source a connection was given to.
void EngineTask::noteSources() {
  if (!params_.supportNote) return;
  std::vector<std::string> lines;
  {
    std::lock_guard guard(lock_);
    for (int i = 0; i < sources_.size(); ++i) {
      if (sources_.used(i))
        lines.push_back(support::sourceServedNote(sourceAddress(i), sources_.bytesServed(i), sources_.leftFor(i)));
    }
  }
  if (int64_t retried = failures_.total(); retried > 0) lines.push_back(support::retriesNote(retried));
  for (const std::string& line : lines) note(line);
}

}  // namespace download
