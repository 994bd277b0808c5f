#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "app/player_controls.h"
#include "platform/registry.h"

namespace app {

// A line typed to a headless launcher while it runs: the tray menu's choices for scripts.
//   limit N   speed limit in bytes per second (0: none), remembered like the menu's choice
//   pause, resume, repair
struct ConsoleCommand {
  enum class Kind { Unknown, Invalid, Limit, Pause, Resume, Repair };
  Kind kind = Kind::Unknown;
  int64_t limit = 0;    // Limit
  std::string problem;  // Invalid: what is wrong with it
};

ConsoleCommand parseConsoleCommand(const std::string& line);

// Carries out a line; the acknowledgment to print, or nothing when the line is no command.
std::optional<std::string> runConsoleCommand(PlayerControls& controls, platform::Registry& registry,
                                             const std::string& line);

}  // namespace app
