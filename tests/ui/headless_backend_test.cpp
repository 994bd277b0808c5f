#include "ui/headless/headless_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "fakes/fake_platform.h"
#include "platform/posix/posix_system.h"
#include "ui/component_names.h"

namespace {

using namespace ui::names;

// Captures what the console window prints.
struct Console {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  ~Console() {
    std::fclose(file);
    std::free(buffer);
  }
  std::string text() {
    std::fflush(file);
    return std::string(buffer, size);
  }
};

struct HeadlessTest : ::testing::Test {
  fakes::FakePlatform fake;
  platform::posix::PosixSystem realSystem;
  platform::Platform bundle{realSystem,    fake.files, fake.processes, fake.instance, fake.presence, fake.http,
                            fake.network,  fake.registry, fake.shell,  fake.ini,      fake.shortcuts, fake.starter};
  ui::Window window{text::DisplayCode::SC};
  Console console;
  bool configured = false;
  int updates = 0, starts = 0;

  std::unique_ptr<ui::HeadlessBackend> make(bool autoUpdate, bool autoStart, int startWaitMs = 30000) {
    ui::HeadlessOptions o;
    o.autoUpdate = autoUpdate;
    o.autoStart = autoStart;
    o.startWaitMs = startWaitMs;
    o.configurationDone = [this] { return configured; };
    auto b = std::make_unique<ui::HeadlessBackend>(window, bundle, o, console.file);
    window.attach(b.get());
    window.events().clicked[kButtonStartUpdate] = [this] { ++updates; };
    window.events().clicked[kButtonStartGame] = [this] { ++starts; };
    return b;
  }
};

TEST_F(HeadlessTest, PrintsEachVisibleChangeWithGbkShownAsUtf8) {
  auto backend = make(false, false);
  window.setCaption(kLabelUpdateInfo, "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9");  // 正在检查
  window.setEnabled(kButtonStartGame, true);
  window.setColor(kLabelPing, {128, 128, 128});
  backend->messageBox("\xD0\xC5\xCF\xA2");  // 信息
  EXPECT_TRUE(backend->step());
  std::string out = console.text();
  EXPECT_NE(out.find("标签_更新信息: \"正在检查\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("按钮_开始游戏: enabled\n"), std::string::npos);
  EXPECT_NE(out.find("标签_PING: colour (128, 128, 128)\n"), std::string::npos);
  EXPECT_NE(out.find("message: \"信息\"\n"), std::string::npos);
}

TEST_F(HeadlessTest, PrintsTheRunOnTaskbarAndTray) {
  auto backend = make(false, false);
  window.setTrayStatus("\xD7\xDC\xBD\xF8\xB6\xC8:37%");  // 总进度:37%, no icon yet: nothing to print
  window.setTray(true, "VKTALVERA LAUNCHER");       // the icon comes with the stand-in tooltip
  window.setTrayStatus("\xD7\xDC\xBD\xF8\xB6\xC8:38%");
  window.setTaskbarProgress(ui::TaskbarState::Normal, 38);
  window.setTaskbarProgress(ui::TaskbarState::Error, 38);
  window.requestAttention();  // not minimised: no flash
  window.setTrayStatus("");
  window.setTaskbarProgress(ui::TaskbarState::None, 0);
  window.setWindowState(2);
  window.requestAttention();
  backend->step();
  std::string out = console.text();
  EXPECT_EQ(out.find("window: tray tooltip \"总进度:37%\""), std::string::npos) << out;
  EXPECT_NE(out.find("window: tray icon \"总进度:37%\"\nwindow: tray tooltip \"总进度:38%\"\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("window: taskbar progress 38%\nwindow: taskbar progress 38% error\n"
                     "window: tray tooltip \"VKTALVERA LAUNCHER\"\nwindow: taskbar progress cleared\n"
                     "window: state 2\nwindow: taskbar button flashed\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("flashed"), out.rfind("flashed"));
}

TEST_F(HeadlessTest, TimersTickWhileSetAndStopAtZero) {
  auto backend = make(false, false);
  int ticks = 0;
  window.events().tick[kTimerProgress] = [&] { ++ticks; };
  window.setInterval(kTimerProgress, 5);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ticks < 3 && std::chrono::steady_clock::now() < deadline) {
    backend->step();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_GE(ticks, 3);
  window.setInterval(kTimerProgress, 0);
  backend->step();
  int stopped = ticks;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  backend->step();
  EXPECT_EQ(ticks, stopped);
}

TEST_F(HeadlessTest, AutoUpdatePressesOnceWhenShownAndEndsWhenTheUpdateIsOver) {
  auto backend = make(true, false);
  EXPECT_TRUE(backend->step());
  EXPECT_EQ(updates, 0);
  window.setVisible(kButtonStartUpdate, true);
  configured = true;
  EXPECT_TRUE(backend->step());
  EXPECT_TRUE(backend->step());
  EXPECT_EQ(updates, 1);
  window.setVisible(kButtonStartUpdate, false);  // the update has finished
  EXPECT_FALSE(backend->step());
}

TEST_F(HeadlessTest, AutoStartWaitsForTheConfigurationAndAnyPendingUpdate) {
  auto backend = make(true, true);
  window.setEnabled(kButtonStartGame, true);  // the probe answered early
  EXPECT_TRUE(backend->step());
  EXPECT_EQ(starts, 0);
  window.setVisible(kButtonStartUpdate, true);
  configured = true;
  EXPECT_TRUE(backend->step());
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(starts, 0);
  window.setVisible(kButtonStartUpdate, false);
  EXPECT_FALSE(backend->step());
  EXPECT_EQ(starts, 1);
}

TEST_F(HeadlessTest, ARefusedUpdateEndsTheRunWithItsOwnExitCode) {
  for (bool autoStart : {false, true}) {
    auto backend = make(true, autoStart);
    // The running-game guard: the button is disabled and no patch worker starts.
    window.events().clicked[kButtonStartUpdate] = [this] { window.setEnabled(kButtonStartUpdate, false); };
    window.setEnabled(kButtonStartGame, true);
    window.setVisible(kButtonStartUpdate, true);
    window.setEnabled(kButtonStartUpdate, true);
    configured = true;
    EXPECT_TRUE(backend->step());
    EXPECT_FALSE(backend->step()) << autoStart;
    EXPECT_EQ(backend->exitCode(), ui::kExitUpdateRefused);
    EXPECT_EQ(starts, 0);
    EXPECT_NE(console.text().find("auto: giving up: the update was refused"), std::string::npos);
    window.setVisible(kButtonStartUpdate, false);
    window.pump();  // the queued change names this backend, which the next round replaces
  }
}

TEST_F(HeadlessTest, AutoStartGivesUpWhenNoLineAnswersInTime) {
  auto backend = make(false, true, 50);
  configured = true;
  EXPECT_TRUE(backend->step());
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_FALSE(backend->step());
  EXPECT_EQ(backend->exitCode(), ui::kExitNoLine);
  EXPECT_NE(console.text().find("auto: giving up: start-game was not enabled"), std::string::npos);

  // A line that answers within the time is started, and the run ends well.
  auto answered = make(false, true, 50);
  EXPECT_TRUE(answered->step());
  window.setEnabled(kButtonStartGame, true);
  EXPECT_FALSE(answered->step());
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(answered->exitCode(), 0);
}

TEST_F(HeadlessTest, WithoutAutomaticPressesTheWindowKeepsRunning) {
  auto backend = make(false, false);
  configured = true;
  window.setEnabled(kButtonStartGame, true);
  EXPECT_TRUE(backend->step());
  EXPECT_EQ(starts, 0);
}

// Standard input drives the tray and its menu; every line is answered on the console.
TEST_F(HeadlessTest, InputLinesRaiseTheTrayChooseFromTheMenuAndReachTheCommands) {
  std::vector<std::string> commands;
  ui::HeadlessOptions o;
  o.command = [&](const std::string& line) -> std::optional<std::string> {
    commands.push_back(line);
    if (line == "pause") return "downloads paused";
    return std::nullopt;
  };
  ui::HeadlessBackend backend(window, bundle, o, console.file);
  window.attach(&backend);
  std::vector<int> chosen;
  std::vector<int> trays;
  window.events().tray = [&](int operation) {
    trays.push_back(operation);
    ui::MenuItem limits{0, "\xCF\xC2\xD4\xD8\xCF\xDE\xCB\xD9", false, true, false, {}};  // 下载限速
    limits.submenu = {ui::MenuItem{1, "none", true, true, false, {}}, ui::MenuItem{2, "500 KB/s", false, true, false, {}}};
    window.showMenu({limits, ui::MenuItem{0, "", false, true, true, {}}, ui::MenuItem{30, "repair", false, false, false, {}}});
  };
  window.events().menuChosen = [&](int id) { chosen.push_back(id); };

  // All at once, as a script would pipe them: each line still sees what the one before did.
  for (const char* line : {"tray 3", "choose 2", "choose 2", "tray 3", "choose 30", "pause", "  ", "tray x",
                           "choose 1 2", "what now"})
    backend.takeLine(line);
  EXPECT_TRUE(backend.step());

  EXPECT_EQ(trays, (std::vector<int>{3, 3}));
  EXPECT_EQ(chosen, std::vector<int>{2});
  EXPECT_EQ(commands, (std::vector<std::string>{"pause", "tray x", "choose 1 2", "what now"}));
  std::string menu = "menu: [\"下载限速\" {[1 \"none\" checked] [2 \"500 KB/s\"]}] | [30 \"repair\" disabled]\n";
  EXPECT_EQ(console.text(),
            "input: tray 3\n" + menu +
                "input: chose 2\n"
                "input: choose 2: no such entry in the menu shown, ignored\n"
                "input: tray 3\n" + menu +
                "input: choose 30: no such entry in the menu shown, ignored\n"
                "input: downloads paused\n"
                "input: unknown command \"tray x\", ignored\n"
                "input: unknown command \"choose 1 2\", ignored\n"
                "input: unknown command \"what now\", ignored\n");
  window.attach(nullptr);
}

}  // namespace
