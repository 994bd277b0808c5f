#include <gtest/gtest.h>

#include "patching/patch_update.h"
#include "patching/running_game_guard.h"
#include "patching_fixture.h"
#include "text/display_language.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using namespace ui::names;
using patching_test::gbk;

struct GuardTest : ::testing::Test {
  patching_test::Launcher launcher;
  fakes::FakeProcesses& processes = launcher.fake.processes;

  void SetUp() override {
    processes.processes = {{4, "System"}, {100, "explorer.exe"}};
    processes.windows = {{1, 100, true, "Shell_TrayWnd", ""}};
    launcher.window.setVisible(kButtonStartUpdate, true);
    launcher.window.setEnabled(kButtonStartUpdate, true);
  }
  void click() { onStartUpdateClicked(launcher.app); }
  bool refused() {
    return launcher.backend.messages == std::vector<std::string>{gbk("请退出所有游戏后在尝试更新！")} &&
           launcher.spawned.empty();
  }
};

TEST_F(GuardTest, NoClientProcessStartsTheUpdate) {
  processes.processes.push_back({200, "Client.exe.bak"});
  processes.windows.push_back({2, 200, true, "Talveria", ""});
  EXPECT_FALSE(isGameRunning(launcher.app));
  click();
  EXPECT_EQ(launcher.spawned.size(), 1u);
  EXPECT_TRUE(launcher.backend.messages.empty());
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).enabled);
}

TEST_F(GuardTest, GameWindowOfACapitalisedClientRefuses) {
  processes.processes.push_back({300, "CLIENT.EXE"});
  processes.windows = {{7, 300, false, "Hidden", ""}, {1, 100, true, "Shell_TrayWnd", ""}, {8, 300, true, "Talveria", ""}};
  EXPECT_TRUE(isGameRunning(launcher.app));
  click();
  EXPECT_TRUE(refused());
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).enabled);
}

TEST_F(GuardTest, BalloonWindowRefuses) {
  processes.processes.push_back({300, "client.exe"});
  processes.windows.push_back({8, 300, true, "OrvanADBallon", ""});
  EXPECT_TRUE(isGameRunning(launcher.app));
}

TEST_F(GuardTest, ClientWithoutAVisibleWindowRefuses) {
  processes.processes.push_back({300, "Client.exe"});
  processes.windows.push_back({8, 300, false, "Talveria", ""});
  EXPECT_TRUE(isGameRunning(launcher.app));
  click();
  EXPECT_TRUE(refused());
}

TEST_F(GuardTest, ClientWhoseFirstVisibleWindowIsUnrelatedStartsTheUpdate) {
  processes.processes.push_back({300, "Client.exe"});
  processes.windows = {{8, 300, true, "ConsoleWindowClass", ""}, {9, 300, true, "Talveria", ""}};
  EXPECT_FALSE(isGameRunning(launcher.app));
  click();
  EXPECT_EQ(launcher.spawned.size(), 1u);
}

TEST_F(GuardTest, OnlyTheFirstClientProcessIsExamined) {
  processes.processes.push_back({300, "Client.exe"});
  processes.processes.push_back({301, "Client.exe"});
  processes.windows = {{8, 300, true, "Other", ""}, {9, 301, true, "Talveria", ""}};
  EXPECT_FALSE(isGameRunning(launcher.app));
}

TEST_F(GuardTest, FailedSnapshotStartsTheUpdate) {
  processes.processes.push_back({300, "Client.exe"});
  processes.snapshotFails = true;
  EXPECT_FALSE(isGameRunning(launcher.app));
}

TEST_F(GuardTest, ButtonStaysDisabledAfterARefusalEvenWhenTheGameIsGone) {
  processes.processes.push_back({300, "Client.exe"});
  click();
  ASSERT_TRUE(refused());
  processes.processes.pop_back();
  launcher.window.raiseClick(kButtonStartUpdate);  // ignored: the button is disabled
  launcher.window.pump();
  EXPECT_TRUE(launcher.spawned.empty());
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).enabled);
}

TEST(FindProcessWindow, FiltersByProcessVisibilityAndTitle) {
  patching_test::Launcher launcher;
  launcher.fake.processes.windows = {{1, 5, false, "A", "Hidden main"},
                                     {2, 6, true, "B", "Other main"},
                                     {3, 5, true, "C", "Tool"},
                                     {4, 5, true, "D", "The main window"}};
  EXPECT_EQ(findProcessWindow(launcher.app, 5, "", false), 3u);
  EXPECT_EQ(findProcessWindow(launcher.app, 5, "", true), 1u);
  EXPECT_EQ(findProcessWindow(launcher.app, 5, "main", false), 4u);
  EXPECT_EQ(findProcessWindow(launcher.app, 5, "main", true), 1u);
  EXPECT_EQ(findProcessWindow(launcher.app, 7, "", true), 0u);
}

TEST(GuardMessage, ConvertedForDisplay) {
  patching_test::Launcher tc(text::DisplayCode::TC);
  tc.fake.processes.processes = {{300, "Client.exe"}};
  onStartUpdateClicked(tc.app);
  const std::string stored = gbk("请退出所有游戏后在尝试更新！");
  ASSERT_NE(text::convertForDisplay(text::DisplayCode::TC, stored), stored);
  EXPECT_EQ(tc.backend.messages, std::vector<std::string>{text::convertForDisplay(text::DisplayCode::TC, stored)});
  EXPECT_TRUE(tc.spawned.empty());
}

}  // namespace
}  // namespace patching
