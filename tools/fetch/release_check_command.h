#pragma once
#include <string>
#include <vector>

namespace fetchtool {

// True when the arguments ask for the release check (one of them is --check-release).
bool asksForReleaseCheck(int argc, char** argv);

// launcher-fetch --check-release [--endpoints FILE] [--full]: the release check against the
// servers this build (or the endpoints file) names. Returns the process's exit code.
int checkReleaseCommand(const std::vector<std::string>& args);

}  // namespace fetchtool
