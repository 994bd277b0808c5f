#include "app/options.h"

#include "app/byte_rate.h"

namespace app {

const char* usageText() {
  return "usage: launcher [--headless] [--auto-update] [--auto-start] [--answer-yes] [--verify] [--run-dir DIR]\n"
         "                [--endpoints FILE] [--limit-rate BYTES_PER_SECOND] [--version] [--help]\n"
         "  --verify  check every file of the patch list with its strongest check, download and\n"
         "            install those that fail, then end (headless); exit code 0 when the client is whole\n"
         "  --limit-rate  the download speed limit of this run in bytes per second (0: none)\n";
}

std::string commandLineError(const state::Options& options) {
  if (!options.invalidValue.empty()) return options.invalidValue + "\n" + usageText();
  if (options.unknown.empty()) return {};
  const std::string& word = options.unknown.front();
  bool valueMissing = word == "--run-dir" || word == "--endpoints" || word == "--limit-rate";
  return (valueMissing ? word + " needs a value" : "unknown option " + word) + "\n" + usageText();
}

state::Options parseOptions(const std::vector<std::string>& args) {
  state::Options o;
  o.arguments = args;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--auto-update") {
      o.autoUpdate = true;
    } else if (a == "--auto-start") {
      o.autoStart = true;
    } else if (a == "--verify") {
      // A command for scripts: there is no window to read its result in.
      o.verify = true;
      o.headless = true;
    } else if (a == "--answer-yes") {
      o.answerYes = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--help") {
      o.help = true;
    } else if (a == "--run-dir" && hasValue) {
      o.runDir = args[++i];
    } else if (a == "--endpoints" && hasValue) {
      o.endpointsFile = args[++i];
    } else if (a == "--limit-rate" && hasValue) {
      const std::string& value = args[++i];
      int64_t limit = 0;
      if (parseBytesPerSecond(value, limit))
        o.limitRate = limit;
      else if (o.invalidValue.empty())
        o.invalidValue = "--limit-rate needs a whole number of bytes per second, not " + value;
    } else {
      o.unknown.push_back(a);
    }
  }
  return o;
}

}  // namespace app
