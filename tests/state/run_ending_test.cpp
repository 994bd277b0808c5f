// Exit codes: the real window ends with 0, a headless run says how it ended; a command line
// with anything the launcher does not understand never runs.
#include <gtest/gtest.h>

#include "app/options.h"
#include "state/run_ending.h"

namespace {

using state::Ending;

TEST(RunEnding, HeadlessRunsGiveEachEndingItsOwnCodeTheWindowAlwaysZero) {
  struct Case {
    Ending ending;
    int headless;
  } cases[] = {{Ending::kAsAsked, 0}, {Ending::kUpdateFailed, 5}, {Ending::kNoManifest, 6},
               {Ending::kNotClientFolder, 7}};
  for (const Case& c : cases) {
    EXPECT_EQ(state::exitCodeFor(c.ending, true), c.headless) << c.headless;
    EXPECT_EQ(state::exitCodeFor(c.ending, false), 0) << c.headless;
  }
}

TEST(CommandLine, AnythingNotUnderstoodIsRefusedWithTheUsage) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;  // empty: accepted
  } cases[] = {
      {{"--headless", "--endpoints", "e.ini", "--run-dir", "d", "--version"}, ""},
      {{"--endpoint", "e.ini"}, "unknown option --endpoint"},
      {{"--headless", "-h"}, "unknown option -h"},
      {{"--run-dir"}, "--run-dir needs a value"},
      {{"--headless", "--endpoints"}, "--endpoints needs a value"},
      {{"extra"}, "unknown option extra"},
  };
  for (const Case& c : cases) {
    std::string error = app::commandLineError(app::parseOptions(c.args));
    if (c.problem.empty()) {
      EXPECT_EQ(error, "") << c.args[0];
      continue;
    }
    EXPECT_EQ(error, c.problem + "\n" + app::usageText()) << c.problem;
  }
  EXPECT_TRUE(app::parseOptions({"--version"}).version);
  EXPECT_TRUE(app::parseOptions({"--help"}).help);
}

}  // namespace
