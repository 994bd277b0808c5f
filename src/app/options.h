#pragma once
#include <string>
#include <vector>

#include "state/options.h"

namespace app {

// Parses the arguments after the program name.
state::Options parseOptions(const std::vector<std::string>& args);

const char* usageText();
// Empty when every argument was understood; else what is wrong, followed by the usage. A
// mistyped option never lets the run go on (it could reach the servers it meant to avoid).
std::string commandLineError(const state::Options& options);

}  // namespace app
