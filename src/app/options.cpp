#include "app/options.h"

namespace app {

const char* usageText() {
  return "usage: launcher [--headless] [--auto-update] [--auto-start] [--answer-yes] [--run-dir DIR]\n"
         "                [--endpoints FILE] [--version] [--help]\n";
}

std::string commandLineError(const state::Options& options) {
  if (options.unknown.empty()) return {};
  const std::string& word = options.unknown.front();
  bool valueMissing = word == "--run-dir" || word == "--endpoints";
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
    } else {
      o.unknown.push_back(a);
    }
  }
  return o;
}

}  // namespace app
