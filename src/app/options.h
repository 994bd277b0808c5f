#pragma once
#include <string>
#include <vector>

#include "state/options.h"

namespace app {

// Parses the arguments after the program name.
state::Options parseOptions(const std::vector<std::string>& args);

}  // namespace app
