// A command line with anything the launcher does not understand never runs.
#include <gtest/gtest.h>

#include "app/options.h"

namespace {

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
      {{"--limit-rate", "2097152"}, ""},
      {{"--limit-rate", "0"}, ""},
      {{"--limit-rate"}, "--limit-rate needs a value"},
      {{"--limit-rate", "2M"}, "--limit-rate needs a whole number of bytes per second, not 2M"},
      {{"--limit-rate", "-1"}, "--limit-rate needs a whole number of bytes per second, not -1"},
      {{"--limit-rate", "4294967296"}, "--limit-rate needs a whole number of bytes per second, not 4294967296"},
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
  EXPECT_EQ(app::parseOptions({"--limit-rate", "2097152"}).limitRate, 2097152);
  EXPECT_EQ(app::parseOptions({"--headless"}).limitRate, std::nullopt);
}

}  // namespace
