#include "support/support_log.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string_view>

namespace support {

namespace {

// CR LF and a byte-order mark: Notepad of every Windows version shows the lines apart and
// reads the text as UTF-8 instead of guessing the system's code page.
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int64_t kSecondsPerDay = 86400;

struct CivilDate {
  int64_t year;
  unsigned month;
  unsigned day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01.
CivilDate civilFromDays(int64_t days) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string formatTimestamp(const platform::LocalTime& time) {
  int64_t days = time.seconds / kSecondsPerDay;
  int64_t secondOfDay = time.seconds % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --days;
  }
  CivilDate date = civilFromDays(days);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02d:%02d:%02d.%03d", static_cast<long long>(date.year),
                date.month, date.day, static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                static_cast<int>(secondOfDay % 60), std::clamp(time.milliseconds, 0, 999));
  return buffer;
}

std::string keepNewerHalf(const std::string& log) {
  size_t from = std::max(log.size() / 2, log.size() - std::min(log.size(), static_cast<size_t>(kLogCap / 2)));
  size_t lineEnd = log.find('\n', from);
  if (lineEnd != std::string::npos) return log.substr(lineEnd + 1);
  while (from < log.size() && isContinuationByte(log[from])) ++from;
  return from == log.size() ? std::string() : log.substr(from) + std::string(kLineEnd);
}

std::string singleLine(const std::string& line) {
  std::string out = line;
  for (char& c : out) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  if (out.size() <= kLongestLine) return out;
  size_t cut = kLongestLine;
  while (cut > 0 && isContinuationByte(out[cut])) --cut;
  out.resize(cut);
  return out + "...";
}

void SupportLog::open(const std::string& path) {
  std::lock_guard guard(lock_);
  if (!path_.empty() || path.empty()) return;
  path_ = path;
  try {
    if (!pending_.empty()) append(pending_);
  } catch (const std::exception&) {
  }
  std::string().swap(pending_);
}

bool SupportLog::isOpen() const {
  std::lock_guard guard(lock_);
  return !path_.empty();
}

void SupportLog::write(const std::string& line) {
  // Whatever goes wrong here (even running out of memory) stays here: the note is lost, the
  // work that wanted it goes on.
  try {
    std::string bytes = formatTimestamp(system_.localNow()) + " " + singleLine(line);
    bytes += kLineEnd;
    std::lock_guard guard(lock_);
    if (!path_.empty())
      append(bytes);
    else if (pending_.size() + bytes.size() <= kPendingCap)
      pending_ += bytes;
  } catch (const std::exception&) {
  }
}

void SupportLog::append(const std::string& bytes) {
  int64_t size = 0;
  if (!files_.fileSize(path_, size) || size == 0) {
    files_.appendWhole(path_, std::string(kByteOrderMark) + bytes);
    return;
  }
  if (size + static_cast<int64_t>(bytes.size()) <= kLogCap) {
    files_.appendWhole(path_, bytes);
    return;
  }
  // A log that cannot be read cannot be cut either: the line is dropped rather than letting
  // the file grow past its cap.
  std::string old;
  if (!files_.readWhole(path_, old)) return;
  files_.replaceWhole(path_, std::string(kByteOrderMark) + keepNewerHalf(old) + bytes);
}

RepeatedFailures::Note RepeatedFailures::failed(uint32_t now) {
  std::lock_guard guard(lock_);
  ++total_;
  ++sinceNote_;
  // The difference of two tick counts is right across a wrap of the counter. A time before
  // the last note (read by a thread just before another one noted) is no time passed.
  auto since = static_cast<int32_t>(now - lastNote_);
  if (noted_ && (since < 0 || static_cast<uint32_t>(since) < spacing_)) return {};
  Note note{sinceNote_, !noted_};
  noted_ = true;
  lastNote_ = now;
  sinceNote_ = 0;
  return note;
}

int64_t RepeatedFailures::total() const {
  std::lock_guard guard(lock_);
  return total_;
}

}  // namespace support
