#include "app/console_commands.h"

#include <sstream>
#include <vector>

#include "app/byte_rate.h"
#include "app/tray_menu.h"

namespace app {

namespace {

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

ConsoleCommand invalid(std::string problem) {
  ConsoleCommand c;
  c.kind = ConsoleCommand::Kind::Invalid;
  c.problem = std::move(problem);
  return c;
}

std::string limitAck(PlayerControls& controls, bool remembered) {
  return "limit " + speedLimitText(controls.speedLimit()) + (remembered ? "" : " (could not be remembered)");
}

std::string pauseAck(PlayerControls& controls) {
  if (controls.downloadsPaused()) return "downloads paused";
  return "pause: no download is running";
}

std::string resumeAck(PlayerControls& controls) {
  if (controls.downloadsPaused()) return "downloads still paused";
  return "downloads resumed";
}

}  // namespace

ConsoleCommand parseConsoleCommand(const std::string& line) {
  std::vector<std::string> w = words(line);
  ConsoleCommand c;
  if (w.empty()) return c;
  const std::string& verb = w[0];
  bool single = w.size() == 1;
  if (verb == "limit") {
    if (w.size() != 2) return invalid("limit takes one number of bytes per second");
    if (!parseBytesPerSecond(w[1], c.limit)) return invalid("limit: not a number of bytes per second: " + w[1]);
    c.kind = ConsoleCommand::Kind::Limit;
  } else if (verb == "pause" && single) {
    c.kind = ConsoleCommand::Kind::Pause;
  } else if (verb == "resume" && single) {
    c.kind = ConsoleCommand::Kind::Resume;
  } else if (verb == "repair" && single) {
    c.kind = ConsoleCommand::Kind::Repair;
  }
  return c;
}

std::optional<std::string> runConsoleCommand(PlayerControls& controls, platform::Registry& registry,
                                             const std::string& line) {
  ConsoleCommand c = parseConsoleCommand(line);
  switch (c.kind) {
    case ConsoleCommand::Kind::Unknown: return std::nullopt;
    case ConsoleCommand::Kind::Invalid: return c.problem + ", ignored";
    case ConsoleCommand::Kind::Limit: return limitAck(controls, choosePlayerLimit(controls, registry, c.limit));
    case ConsoleCommand::Kind::Pause: controls.pauseDownloads(); return pauseAck(controls);
    case ConsoleCommand::Kind::Resume: controls.resumeDownloads(); return resumeAck(controls);
    case ConsoleCommand::Kind::Repair:
      if (!controls.repairPossible()) return "repair refused: an update or a game start is in progress";
      controls.startRepair();
      return "repair started";
  }
  return std::nullopt;
}

}  // namespace app
