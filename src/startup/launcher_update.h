#pragma once
#include <string>
#include <vector>

#include "state/app_state.h"
#include "startup/update_script.h"

namespace startup {

// How this system runs the update script: the file written into the launcher's folder, its
// text, and the program and command line that start it there with a hidden window.
struct UpdateScriptKind {
  std::string fileName;
  std::string (*build)(const UpdateScriptInput&) = nullptr;
  std::string application;  // empty: taken from the command line
  std::string commandLine;
};

UpdateScriptKind batchScriptKind();  // "update.bat", started as is
UpdateScriptKind shellScriptKind();  // "update.sh", started through /bin/sh
// The kind of the system this build runs on.
UpdateScriptKind nativeScriptKind();

// The options of this run as command-line words, so the restarted launcher runs the same way.
std::vector<std::string> restartArguments(const state::Options& options);

// Writes the update script for `newFile`, starts it hidden and ends the process; returns
// true when it has ended the process. Does nothing, and returns false, when `newFile` is
// missing or empty (an empty file would leave the folder without a working launcher).
bool installLauncherUpdate(state::AppState& app, const std::string& newFile, const UpdateScriptKind& kind);
bool installLauncherUpdate(state::AppState& app, const std::string& newFile);

}  // namespace startup
