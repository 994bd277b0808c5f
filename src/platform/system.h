#pragma once
#include <bitset>
#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Seconds since the local-time epoch 1970-01-01 00:00:00 (local wall clock, not UTC),
// and the milliseconds within the current second.
struct LocalTime {
  int64_t seconds = 0;
  int milliseconds = 0;
};

// Locale, clocks, the own executable, the environment and ending the process.
class System {
 public:
  virtual ~System() = default;
  virtual uint32_t tickCount() = 0;  // milliseconds, wraps like GetTickCount
  virtual int defaultLocaleId() = 0;  // 2052, 1028, 1041, 1033, ...
  // The code page in which this system spells its own texts (paths, process names):
  // 936, 950, 932, 1252, ..., or 65001 where they are UTF-8.
  virtual unsigned systemCodePage() = 0;
  virtual LocalTime localNow() = 0;
  // Seconds since 1970-01-01 00:00:00 UTC, the clock signed manifests are dated by.
  virtual int64_t utcSeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  }
  // In the system's code page, folders separated by '\'; empty when that code page cannot
  // spell the path (the ANSI calls would see '?' in place of some characters).
  virtual std::string executablePath() = 0;
  virtual std::string environment(const std::string& name) = 0;  // empty when unset
  virtual void sleep(int milliseconds) = 0;
  // Ends the whole process at once with the code; tests substitute a recorder, so every
  // caller returns right after calling it.
  virtual void endProcess(int code) = 0;
  // Bytes in a Windows code page (936, 950, 932, or systemCodePage()) as UTF-8, for console
  // output and the support log.
  virtual std::string toUtf8(const std::string& bytes, unsigned codePage) = 0;
  // A text of the system (a path, a program's name) as UTF-8 for a person to read, such as the
  // support log's: paths with the separator this system's users write.
  virtual std::string readableText(const std::string& systemText) { return toUtf8(systemText, systemCodePage()); }
  // A text of the system (a path) in a display code page (936, 950, 932), for joining into a
  // shown message; a character that code page lacks becomes '?'.
  virtual std::string displayText(const std::string& systemText, unsigned codePage) = 0;

  // Texts that come from the system (paths, process names) are in its own code page. These
  // are the bytes that begin a two-byte character there: a '\' after one is no separator.
  virtual std::bitset<256> leadBytes() = 0;
  // A file or folder name from the manifest (GBK) as this system's paths spell it, for joining
  // to a folder the system gave.
  virtual std::string manifestFileName(const std::string& gbk) = 0;
  // A script text in the system's code page as the system's script interpreter reads it.
  virtual std::string scriptText(const std::string& systemText) = 0;
};

}  // namespace platform
