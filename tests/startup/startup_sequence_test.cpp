#include "startup/startup_sequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/encoded_text.h"
#include "fakes/recording_backend.h"
#include "text/gbk.h"
#include "ui/component_names.h"

namespace {

using namespace ui::names;

using fakes::gbkOf;
const std::string kNotInClientFolder = gbkOf("请把登陆器放到游戏客户端运行..");
const std::string kChecking = gbkOf("正在检查更新......");
const std::string kStatus = gbkOf("状态:");
const std::string kTitle = gbkOf("VeskoTalveria登录器");

struct StartupTest : ::testing::Test {
  fakes::FakePlatform fake;
  fakes::RecordingBackend backend;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
  std::vector<std::function<void()>> spawned;

  StartupTest() {
    window.attach(&backend);
    app.executablePath = "C:\\Game\\launcher.exe";
    app.spawn = [this](std::function<void()> body) { spawned.push_back(std::move(body)); };
    fake.files.directories.insert("C:\\Game");
    fake.files.files["C:\\Game\\Client.exe"] = "MZ";
  }
  void anotherCopyRuns(uint32_t pid) {
    fake.instance.held.insert("VKTALVDLQ");
    fake.processes.processes = {{4, "System"}, {pid, "LAUNCHER.EXE"}};
  }
};

TEST_F(StartupTest, FirstCopyClaimsTheMarkerSetsTheFixedTextsAndStartsTheWorker) {
  startup::startupSequence(app);
  window.pump();

  EXPECT_EQ(fake.instance.created, std::vector<std::string>{"VKTALVDLQ"});
  EXPECT_FALSE(fake.system.ended());
  EXPECT_EQ(app.clientFolder, "C:\\Game\\");
  EXPECT_EQ(app.downloadCacheFolder, "C:\\Game\\DownloadCache\\");
  EXPECT_TRUE(fake.files.isDirectory("C:\\Game\\DownloadCache"));
  EXPECT_EQ(window.component(kLabelVersion).caption, "LAUNCHER VER:0.0.1");
  EXPECT_FALSE(window.component(kButtonStartGame).enabled);
  EXPECT_FALSE(window.component(kButtonStartUpdate).visible);
  EXPECT_TRUE(window.windowProps().trayInstalled);
  EXPECT_EQ(window.windowProps().trayTooltip, "VKTALVERA LAUNCHER");
  EXPECT_EQ(window.component(kLabelUpdateInfo).caption, kChecking);
  EXPECT_EQ(window.component(kLabelLatencyCaption).caption, kStatus);
  EXPECT_EQ(window.windowProps().title, kTitle);
  EXPECT_EQ(spawned.size(), 1u);
  EXPECT_TRUE(backend.messages.empty());

  // Shown in the order the sequence sets them.
  std::vector<std::string> order = backend.sequence();
  std::vector<std::string> expected = {
      std::string(kLabelVersion) + "/" + std::to_string(static_cast<int>(ui::Change::Caption)),
      std::string(kButtonStartGame) + "/" + std::to_string(static_cast<int>(ui::Change::Enabled)),
      "window/" + std::to_string(static_cast<int>(ui::Change::Tray)),
      std::string(kLabelUpdateInfo) + "/" + std::to_string(static_cast<int>(ui::Change::Caption)),
      std::string(kLabelLatencyCaption) + "/" + std::to_string(static_cast<int>(ui::Change::Caption)),
      "window/" + std::to_string(static_cast<int>(ui::Change::Title)),
  };
  EXPECT_EQ(order, expected);
}

TEST_F(StartupTest, ExistingCacheFolderIsLeftAsItIs) {
  fake.files.files["C:\\Game\\DownloadCache"] = "a file of that name";
  startup::startupSequence(app);
  EXPECT_FALSE(fake.files.isDirectory("C:\\Game\\DownloadCache"));
  EXPECT_FALSE(fake.system.ended());
}

TEST_F(StartupTest, WithoutClientExeTheCacheIsCreatedThenOneMessageThenTheEnd) {
  fake.files.files.erase("C:\\Game\\Client.exe");
  startup::startupSequence(app);
  window.pump();

  EXPECT_TRUE(fake.files.isDirectory("C:\\Game\\DownloadCache"));
  EXPECT_EQ(backend.messages, std::vector<std::string>{kNotInClientFolder});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_FALSE(window.windowProps().trayInstalled);
  EXPECT_EQ(window.component(kLabelVersion).caption, "LAUNCHER VER:1.0.0");
  EXPECT_TRUE(spawned.empty());
}

// The system gives no path for a folder its code page cannot spell: the player learns that,
// not that the launcher is outside a client folder, and nothing is created anywhere.
TEST_F(StartupTest, AFolderTheSystemCannotSpellGetsItsOwnMessageThenTheEnd) {
  app.executablePath.clear();
  startup::startupSequence(app);
  EXPECT_EQ(backend.messages, std::vector<std::string>{text::utf8ToGbk(
                                  "登陆器所在的文件夹路径含有本系统无法识别的字符,"
                                  "请把游戏客户端放到只含英文字母或数字的文件夹中运行..")});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_EQ(fake.files.directories, (std::set<std::string>{"C:\\Game"}));
  EXPECT_FALSE(window.windowProps().trayInstalled);
  EXPECT_TRUE(spawned.empty());
}

TEST_F(StartupTest, OnATraditionalChineseSystemTheMessageIsReencodedAndKeepsItsLength) {
  ui::Window tcWindow{text::DisplayCode::TC};
  tcWindow.attach(&backend);
  state::AppState tc{fake.bundle, tcWindow, text::DisplayCode::TC};
  tc.executablePath = "C:\\Game\\launcher.exe";
  fake.files.files.erase("C:\\Game\\Client.exe");
  startup::startupSequence(tc);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_NE(backend.messages[0], kNotInClientFolder);
  EXPECT_EQ(backend.messages[0].size(), std::string(kNotInClientFolder).size());
}

TEST_F(StartupTest, SecondCopyRaisesTheFirstVisibleWindowOfTheFirstCopyAndEndsSilently) {
  anotherCopyRuns(77);
  fake.processes.windows = {{10, 5, true, "Shell_TrayWnd", ""}, {11, 77, false, "tooltips", ""},
                            {12, 77, true, "launcher", ""}, {13, 77, true, "launcher", ""}};
  startup::startupSequence(app);

  EXPECT_EQ(fake.processes.activated, std::vector<platform::WindowHandle>{12});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_TRUE(fake.instance.created.empty());
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_TRUE(spawned.empty());
}

TEST_F(StartupTest, SecondCopyWhoseFirstCopyIsOnlyInTheTrayGivesUpAfter100ms) {
  anotherCopyRuns(77);
  fake.processes.windows = {{10, 5, true, "Shell_TrayWnd", ""}, {11, 77, false, "launcher", ""}};
  fake.system.tickStep = 1;
  uint32_t began = fake.system.tick;
  startup::startupSequence(app);

  EXPECT_TRUE(fake.processes.activated.empty());
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_GT(fake.system.tick - began, 100u);
  EXPECT_GT(fake.processes.pumps, 0);  // window events were served between steps
}

TEST_F(StartupTest, SecondCopyWithoutAProcessOfItsNameStillEnds) {
  fake.instance.held.insert("VKTALVDLQ");
  fake.processes.processes = {{4, "System"}};
  startup::startupSequence(app);
  EXPECT_TRUE(fake.processes.activated.empty());
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
}

TEST_F(StartupTest, FindProcessIdFoldsAsciiCaseAndTakesTheFirstMatch) {
  fake.processes.processes = {{4, "System"}, {30, "client.EXE"}, {31, "Client.exe"}};
  EXPECT_EQ(startup::findProcessId(app, "Client.exe"), 30u);
  EXPECT_EQ(startup::findProcessId(app, "Client"), 0u);
  fake.processes.snapshotFails = true;
  EXPECT_EQ(startup::findProcessId(app, "Client.exe"), 0u);
}

TEST(PathParts, SeparatorsInsideTwoByteCharactersAreNotFolders) {
  // "\xB5\x5C" is a GBK character whose trail byte is '\'.
  std::string path = "C:\\\xB5\x5C\\launcher.exe";
  const text::LeadBytes gbk = text::gbkLeadBytes();
  EXPECT_EQ(startup::fileNameOf(path, gbk), "launcher.exe");
  EXPECT_EQ(startup::folderOf(path, gbk), "C:\\\xB5\x5C\\");
  EXPECT_EQ(startup::fileNameOf("C:\\\xB5\x5C", gbk), "\xB5\x5C");
  EXPECT_EQ(startup::folderOf("launcher.exe", gbk), "");
}

// The system's own paths split by its own code page's rule.
TEST(PathParts, SystemPathsSplitByTheSystemsLeadBytes) {
  text::LeadBytes shiftJis;  // lead bytes of code page 932; 0xA1-0xDF are one-byte katakana
  for (int c = 0x81; c <= 0x9F; ++c) shiftJis.set(c);
  for (int c = 0xE0; c <= 0xFC; ++c) shiftJis.set(c);
  // "\x83\x5C" is katakana so, "\xB6" a half-width ka followed by a real separator.
  EXPECT_EQ(startup::fileNameOf("C:\\\x83\x5C\\\xB6\\l.exe", shiftJis), "l.exe");
  EXPECT_EQ(startup::folderOf("C:\\\x83\x5C\\\xB6\\l.exe", shiftJis), "C:\\\x83\x5C\\\xB6\\");
  // Code page 1252 and UTF-8 have no lead bytes: "\xF6\\" is an o-umlaut and a separator.
  EXPECT_EQ(startup::fileNameOf("C:\\Spieler\xF6\\l.exe", text::LeadBytes()), "l.exe");
  EXPECT_EQ(startup::folderOf("C:\\\xE4\xB8\xAD\\l.exe", text::LeadBytes()), "C:\\\xE4\xB8\xAD\\");
}

}  // namespace
