#pragma once
#include <string>
#include <vector>

namespace state {

// Command-line options.
struct Options {
  bool headless = false;
  bool autoUpdate = false;  // press start-update once it is shown and enabled
  bool autoStart = false;   // press start-game once it is enabled, then end
  bool answerYes = false;   // headless: answer yes to every question (else no)
  bool version = false;     // print the launcher's version and end
  bool help = false;        // print the usage and end
  std::string runDir;       // treat this folder as the launcher's own (host path)
  std::string endpointsFile;
  // The current directory when the process started (launcher path): relative folder and
  // file options are relative to it.
  std::string startFolder;
  std::vector<std::string> unknown;
  // Every argument as given, for starting the launcher again the same way.
  std::vector<std::string> arguments;
};

}  // namespace state
