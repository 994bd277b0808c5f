#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/files.h"
#include "platform/system.h"

namespace support {

// Where the log lives in the client folder, and the size it never passes.
inline constexpr const char* kLogFileName = "launcher.log";
inline constexpr int64_t kLogCap = int64_t{1} << 20;
// A longer line is cut: no single note can crowd out the rest.
inline constexpr size_t kLongestLine = 4096;

// Lines noted before the log has a file are held in memory up to this size, later ones dropped.
inline constexpr size_t kPendingCap = size_t{64} << 10;

// The support log: one timestamped UTF-8 line per note, appended to one file for whoever
// helps a player afterwards. Safe to call from any thread. Writing it never fails the
// launcher's work: a line that cannot be written is dropped without a word. Lines noted
// before open() wait in memory and are written by it, so that no file appears in a folder
// nobody has found writable, and nothing of the start is lost once one is.
class SupportLog {
 public:
  SupportLog(platform::Files& files, platform::System& system) : files_(files), system_(system) {}
  SupportLog(const SupportLog&) = delete;
  SupportLog& operator=(const SupportLog&) = delete;

  // Lines go to `path` (in the system's spelling) from now on, the waiting ones first. The
  // first call wins.
  void open(const std::string& path);
  bool isOpen() const;
  // Appends "<local date and time> <line>" and a line end. `line` is UTF-8.
  void write(const std::string& line);

 private:
  void append(const std::string& bytes);

  platform::Files& files_;
  platform::System& system_;
  mutable std::mutex lock_;  // the path and every change of the file
  std::string path_;
  std::string pending_;  // whole lines noted before open()
};

// The notes of a failure that keeps coming back (a connection that cannot reach its server,
// every few seconds for as long as the player waits): the first is noted at once, later ones
// are counted and noted at most once per `spacingMs`, with the count since the last note.
// Safe to call from any thread.
class RepeatedFailures {
 public:
  static constexpr uint32_t kSpacingMs = 60000;
  explicit RepeatedFailures(uint32_t spacingMs = kSpacingMs) : spacing_(spacingMs) {}

  struct Note {
    int64_t count = 0;  // failures since the last note, this one included; 0: nothing to note now
    bool first = false;  // the first note of all
  };
  // One more failure at `now` (a tick count in milliseconds, which may wrap).
  Note failed(uint32_t now);
  // Every failure counted so far, noted or not.
  int64_t total() const;

 private:
  const uint32_t spacing_;
  mutable std::mutex lock_;
  bool noted_ = false;
  uint32_t lastNote_ = 0;
  int64_t sinceNote_ = 0;
  int64_t total_ = 0;
};

// "YYYY-MM-DD HH:MM:SS.mmm" of a local time.
std::string formatTimestamp(const platform::LocalTime& time);

// The newer part of a log that has grown too large: the older half of `log` is dropped (all but
// the last kLogCap / 2 bytes of a larger one), cut after a line end so that no line is torn.
// A newer half without a line end (a file from elsewhere) is kept from a character boundary
// and ended with one.
std::string keepNewerHalf(const std::string& log);

// `line` as one log line: line breaks and other control characters become spaces, and a line
// longer than kLongestLine is cut where no UTF-8 character is split.
std::string singleLine(const std::string& line);

}  // namespace support
