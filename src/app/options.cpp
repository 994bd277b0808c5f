#include "app/options.h"

namespace app {

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
