#include <algorithm>

#include "startup/update_script.h"

namespace startup {

namespace {

// A launcher path as a path of this system. Paths on Linux are UTF-8 already, and in UTF-8 no
// byte of a longer character can be mistaken for '\'.
std::string hostPath(const std::string& launcherPath) {
  std::string path = launcherPath;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

std::string shellWord(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

std::string shellUpdateScript(const UpdateScriptInput& input) {
  std::string restart = "\"$old\"";
  for (const auto& argument : input.restartArguments) restart += " " + shellWord(hostPath(argument));
  // $PPID is the old launcher; comparing its executable with ours keeps the script from
  // waiting for, or ending, any other process should the launcher have gone already.
  return "#!/bin/sh\n"
         "old=" + shellWord(hostPath(input.launcherPath)) + "\n"
         "new=" + shellWord(hostPath(input.newFile)) + "\n"
         "tries=0\n"
         "while [ /proc/$PPID/exe -ef \"$old\" ] && [ $tries -lt 50 ]; do sleep 0.2; tries=$((tries + 1)); done\n"
         "if [ /proc/$PPID/exe -ef \"$old\" ]; then kill -9 $PPID; sleep 1; fi\n"
         "if [ -w \"$old\" ] && [ -s \"$new\" ]; then chmod --reference=\"$old\" \"$new\" && mv -f \"$new\" \"$old\"; fi\n" +
         restart + " </dev/null &\n"
         "rm -f update.sh\n"
         "exit 0\n";
}

}  // namespace startup
