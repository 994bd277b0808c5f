// Lines typed to a headless launcher, and the speed limit a run starts with.
#include "app/console_commands.h"

#include <gtest/gtest.h>

#include "app/remembered_limit.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_services.h"

namespace {

using Kind = app::ConsoleCommand::Kind;

TEST(ConsoleCommands, LinesAreParsedStrictly) {
  struct Case {
    std::string line;
    Kind kind;
    int64_t limit;
  } cases[] = {
      {"limit 1048576", Kind::Limit, 1048576},
      {"  limit   0 \r", Kind::Limit, 0},
      {"limit 4294967295", Kind::Limit, 4294967295LL},
      {"limit 4294967296", Kind::Invalid, 0},
      {"limit 99999999999999999999999", Kind::Invalid, 0},
      {"limit -5", Kind::Invalid, 0},
      {"limit 1M", Kind::Invalid, 0},
      {"limit", Kind::Invalid, 0},
      {"limit 1 2", Kind::Invalid, 0},
      {"pause", Kind::Pause, 0},
      {"resume\r", Kind::Resume, 0},
      {"repair", Kind::Repair, 0},
      {"pause now", Kind::Unknown, 0},
      {"PAUSE", Kind::Unknown, 0},
      {"limits 5", Kind::Unknown, 0},
      {"", Kind::Unknown, 0},
  };
  for (const Case& c : cases) {
    app::ConsoleCommand command = app::parseConsoleCommand(c.line);
    EXPECT_EQ(command.kind, c.kind) << c.line;
    EXPECT_EQ(command.limit, c.limit) << c.line;
    EXPECT_EQ(command.problem.empty(), c.kind != Kind::Invalid) << c.line;
  }
}

TEST(ConsoleCommands, EachIsCarriedOutAndAcknowledged) {
  struct Case {
    std::vector<std::string> lines;
    bool running, repair, readOnly;
    std::string lastAck;  // "(none)": not a command
    std::vector<std::string> calls;
    int64_t remembered;  // -1: nothing written
  } cases[] = {
      {{"limit 1048576"}, false, true, false, "limit 1048576 bytes/s", {"limit 1048576"}, 1048576},
      {{"limit 5", "limit 0"}, false, true, false, "limit none", {"limit 5", "limit 0"}, 0},
      {{"limit 5"}, false, true, true, "limit 5 bytes/s (could not be remembered)", {"limit 5"}, -1},
      {{"limit x"}, false, true, false, "limit: not a number of bytes per second: x, ignored", {}, -1},
      {{"pause"}, true, true, false, "downloads paused", {"pause"}, -1},
      {{"pause"}, false, true, false, "pause: no download is running", {"pause"}, -1},
      {{"pause", "resume"}, true, true, false, "downloads resumed", {"pause", "resume"}, -1},
      {{"repair"}, false, true, false, "repair started", {"repair"}, -1},
      {{"repair"}, true, false, false, "repair refused: an update or a game start is in progress", {}, -1},
      {{"hello"}, false, true, false, "(none)", {}, -1},
  };
  for (const Case& c : cases) {
    fakes::FakeControls controls;
    controls.running = c.running;
    controls.repairAllowed = c.repair;
    fakes::FakeRegistry registry;
    registry.readOnly = c.readOnly;
    std::string ack;
    for (const auto& line : c.lines) ack = app::runConsoleCommand(controls, registry, line).value_or("(none)");
    EXPECT_EQ(ack, c.lastAck) << c.lines.back();
    EXPECT_EQ(controls.calls, c.calls) << c.lines.back();
    EXPECT_EQ(app::rememberedSpeedLimit(registry).value_or(-1), c.remembered) << c.lines.back();
  }
}

TEST(RememberedLimit, TheCommandLineWinsOverTheRememberedLimit) {
  struct Case {
    std::optional<int64_t> option;
    std::optional<uint32_t> stored;
    std::optional<int64_t> starting;
  } cases[] = {
      {std::nullopt, std::nullopt, std::nullopt},  // never chosen: no limit is set at all
      {std::nullopt, 2097152u, 2097152},
      {std::nullopt, 0u, std::nullopt},  // "no limit" chosen: same as never
      {512000, 2097152u, 512000},
      {0, 2097152u, 0},  // --limit-rate 0 lifts the remembered limit for this run
      {1024, std::nullopt, 1024},
  };
  for (const Case& c : cases) {
    fakes::FakeRegistry registry;
    if (c.stored) registry.userDwords[{app::kSettingsKey, app::kSpeedLimitValue}] = *c.stored;
    state::Options options;
    options.limitRate = c.option;
    EXPECT_EQ(app::startingSpeedLimit(options, registry), c.starting);
    EXPECT_EQ(registry.userWrites, 0) << "the command line's limit is not remembered";
  }
}

TEST(RememberedLimit, KeptUnderTheLaunchersOwnKey) {
  fakes::FakeRegistry registry;
  EXPECT_TRUE(app::rememberSpeedLimit(registry, 5242880));
  ASSERT_EQ(registry.userDwords.size(), 1u);
  EXPECT_EQ(registry.userDwords.begin()->first.first, "Software\\VKTalvera\\Launcher");
  EXPECT_EQ(registry.userDwords.begin()->first.second, "SpeedLimit");
  EXPECT_EQ(registry.userDwords.begin()->second, 5242880u);
  EXPECT_FALSE(app::rememberSpeedLimit(registry, 4294967296LL));
  EXPECT_FALSE(app::rememberSpeedLimit(registry, -1));
  EXPECT_EQ(registry.userWrites, 1);
}

}  // namespace
