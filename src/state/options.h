#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace state {

// Command-line options.
struct Options {
  bool headless = false;
  bool autoUpdate = false;  // press start-update once it is shown and enabled
  bool autoStart = false;   // press start-game once it is enabled, then end
  bool answerYes = false;   // headless: answer yes to every question (else no)
  bool verify = false;      // headless: check and repair the client instead of updating, then end
  bool version = false;     // print the launcher's version and end
  bool help = false;        // print the usage and end
  std::string runDir;       // treat this folder as the launcher's own (host path)
  std::string endpointsFile;
  // --limit-rate: the speed limit this run starts with, bytes per second (0: none).
  std::optional<int64_t> limitRate;
  // An option whose value is unusable, with why; the run does not go on.
  std::string invalidValue;
  // The current directory when the process started (launcher path): relative folder and
  // file options are relative to it.
  std::string startFolder;
  std::vector<std::string> unknown;
  // Every argument as given, for starting the launcher again the same way.
  std::vector<std::string> arguments;
};

}  // namespace state
