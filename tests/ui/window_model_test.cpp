#include "ui/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "fakes/recording_backend.h"
#include "ui/component_names.h"
#include "ui/window_handlers.h"

namespace {

using namespace ui::names;

struct CountingSocket : ui::SocketDriver {
  std::vector<std::pair<std::string, int>> connects;
  int disconnects = 0;
  void connect(const std::string& host, int port) override { connects.push_back({host, port}); }
  void disconnect() override { ++disconnects; }
};

TEST(ComponentTable, TwentySevenComponentsInCreationOrderWithTheirStartStates) {
  auto table = ui::initialComponents();
  ASSERT_EQ(table.size(), 27u);
  EXPECT_EQ(table.front().name, kClient1);
  EXPECT_EQ(table.back().name, kButtonStartGame);
  std::map<std::string, ui::Component> byName;
  for (const auto& c : table) byName[c.name] = c;
  EXPECT_EQ(byName.size(), 27u);  // names are unique
  EXPECT_FALSE(byName[kButtonStartUpdate].visible);
  EXPECT_FALSE(byName[kButtonStartGame].enabled);
  EXPECT_TRUE(byName[kButtonStartGame].visible);
  ui::Rect update = byName[kButtonStartUpdate].rect, game = byName[kButtonStartGame].rect;
  EXPECT_EQ(update.left, game.left);
  EXPECT_EQ(update.top, game.top);
  EXPECT_EQ(byName[kProgressBar].rect.width, 593);
  EXPECT_EQ(byName[kTimerProgress].interval, 0);
  EXPECT_EQ(byName[kComboZone].selection, -1);
  EXPECT_EQ(byName[kPictureStatus].picture, ui::Picture::StatusOffline);
  EXPECT_TRUE(byName[kWebView].tabStop);
}

TEST(WindowModel, CallsFromManyThreadsReachTheBackendInCallOrderPerThread) {
  ui::Window window(text::DisplayCode::SC);
  fakes::RecordingBackend backend;
  window.attach(&backend);
  constexpr int kThreads = 4, kCalls = 500;
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kCalls; ++i) window.setCaption(kLabelUpdateInfo, std::to_string(t) + ":" + std::to_string(i));
    });
  }
  std::atomic<bool> done{false};
  std::thread pumper([&] {
    while (!done) window.pump();
  });
  go = true;
  for (auto& t : threads) t.join();
  done = true;
  pumper.join();
  window.pump();

  std::vector<int> next(kThreads, 0);
  std::string last;
  for (const auto& a : backend.applied) {
    const std::string& c = a.component.caption;
    int t = std::stoi(c.substr(0, c.find(':')));
    int i = std::stoi(c.substr(c.find(':') + 1));
    EXPECT_EQ(i, next[t]) << "thread " << t << " out of order";
    next[t] = i + 1;
    last = c;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kCalls);
  // The model holds what the window thread showed last.
  EXPECT_EQ(window.component(kLabelUpdateInfo).caption, last);
}

TEST(WindowModel, ReadsSeeEarlierWritesBeforeTheWindowThreadRuns) {
  ui::Window window(text::DisplayCode::SC);
  window.addItem(kComboZone, "a");
  window.addItem(kComboZone, "b");
  window.setSelection(kComboZone, 5);
  EXPECT_EQ(window.selection(kComboZone), 1);  // cut to the last entry
  window.setSelection(kComboZone, -7);
  EXPECT_EQ(window.selection(kComboZone), -1);
  window.setSelection(kComboZone, 0);
  window.clearItems(kComboZone);
  EXPECT_EQ(window.selection(kComboZone), -1);
  window.setSelection(kComboZone, 0);
  EXPECT_EQ(window.selection(kComboZone), -1);  // nothing to select
  EXPECT_EQ(window.selection("no such component"), -1);
}

TEST(WindowModel, TrayTooltipIsCutTo62Bytes) {
  ui::Window window(text::DisplayCode::SC);
  window.setTray(true, std::string(70, 'x'));
  EXPECT_EQ(window.windowProps().trayTooltip, std::string(62, 'x'));
  window.setTray(false, "x");
  EXPECT_FALSE(window.windowProps().trayInstalled);
}

TEST(WindowModel, TrayStatusStandsInForTheTooltipWhileSet) {
  ui::Window window(text::DisplayCode::SC);
  fakes::RecordingBackend backend;
  window.attach(&backend);
  window.setTray(true, "VKTALVERA LAUNCHER");
  // 31 two-byte characters and one more byte: the cut falls before the last character.
  std::string status = "x" + std::string(62, '\xB8');
  window.setTrayStatus(status);
  EXPECT_EQ(window.windowProps().trayStatus, status.substr(0, 61));
  EXPECT_EQ(ui::shownTrayTooltip(window.windowProps()), status.substr(0, 61));
  EXPECT_EQ(window.windowProps().trayTooltip, "VKTALVERA LAUNCHER");
  window.setTrayStatus(status);  // no change: nothing to redraw
  window.setTrayStatus("");
  EXPECT_EQ(ui::shownTrayTooltip(window.windowProps()), "VKTALVERA LAUNCHER");
  window.pump();
  int redraws = 0;
  for (const auto& a : backend.applied) redraws += a.change == ui::Change::TrayStatus;
  EXPECT_EQ(redraws, 2);
  window.attach(nullptr);
}

TEST(WindowModel, TaskbarProgressRedrawsOnlyChanges) {
  ui::Window window(text::DisplayCode::SC);
  fakes::RecordingBackend backend;
  window.attach(&backend);
  window.setTaskbarProgress(ui::TaskbarState::Normal, 40);
  window.setTaskbarProgress(ui::TaskbarState::Normal, 40);
  window.setTaskbarProgress(ui::TaskbarState::Normal, 140);
  window.setTaskbarProgress(ui::TaskbarState::Error, 100);
  window.setTaskbarProgress(ui::TaskbarState::None, 100);
  window.requestAttention();
  window.pump();
  std::vector<std::pair<ui::TaskbarState, int>> shown;
  for (const auto& a : backend.applied)
    if (a.change == ui::Change::Taskbar) shown.emplace_back(a.window.taskbarState, a.window.taskbarPercent);
  EXPECT_EQ(shown, (std::vector<std::pair<ui::TaskbarState, int>>{{ui::TaskbarState::Normal, 40},
                                                                   {ui::TaskbarState::Normal, 100},
                                                                   {ui::TaskbarState::Error, 100},
                                                                   {ui::TaskbarState::None, 0}}));
  EXPECT_EQ(window.windowProps().attentionRequests, 1);
  window.attach(nullptr);
}

TEST(WindowModel, ClicksReachOnlyShownEnabledButtons) {
  ui::Window window(text::DisplayCode::SC);
  int clicks = 0;
  window.events().clicked[kButtonStartUpdate] = [&] { ++clicks; };
  window.events().clicked[kButtonStartGame] = [&] { ++clicks; };
  window.raiseClick(kButtonStartUpdate);  // hidden at start
  window.raiseClick(kButtonStartGame);    // disabled at start
  EXPECT_EQ(clicks, 0);
  window.setEnabled(kButtonStartGame, true);
  window.raiseClick(kButtonStartGame);
  EXPECT_EQ(clicks, 1);
}

TEST(WindowModel, ATimerStoppedBeforeItsTickArrivesDoesNotFire) {
  ui::Window window(text::DisplayCode::SC);
  int ticks = 0;
  window.events().tick[kTimerProgress] = [&] { ++ticks; };
  window.setInterval(kTimerProgress, 50);
  window.raiseTimer(kTimerProgress);
  EXPECT_EQ(ticks, 1);
  std::thread([&] { window.setInterval(kTimerProgress, 0); }).join();
  window.raiseTimer(kTimerProgress);  // queued by the system before the stop reached it
  EXPECT_EQ(ticks, 1);
}

TEST(WindowModel, SocketBytesFromAnotherThreadRaiseDataArrivedOnTheWindowThread) {
  ui::Window window(text::DisplayCode::SC);
  CountingSocket socket;
  window.attachSocketDriver(&socket);
  std::string seen;
  window.events().socketData = [&] { seen += window.takeReceived(kClient1); };
  window.connect(kClient1, "127.0.0.1", 7000);
  std::thread([&] { window.receiveSocketData("ab"); }).join();
  EXPECT_TRUE(seen.empty());  // nothing runs until the window thread pumps
  window.pump();
  EXPECT_EQ(seen, "ab");
  EXPECT_EQ(socket.connects, (std::vector<std::pair<std::string, int>>{{"127.0.0.1", 7000}}));
}

TEST(WindowModel, AVisibleStartUpdateIsTheFaceAndTheTargetOfTheSharedRectangle) {
  ui::Window window(text::DisplayCode::SC);
  std::vector<std::string> clicked;
  for (const char* name : {kButtonStartUpdate, kButtonStartGame})
    window.events().clicked[name] = [&clicked, name] { clicked.push_back(name); };
  ui::Rect r = window.component(kButtonStartGame).rect;
  int x = r.left + r.width / 2, y = r.top + r.height / 2;
  EXPECT_EQ(window.componentAt(x, y).name, kButtonStartGame);  // start-update is hidden at start

  // An update pending and the chosen line online: both are shown and enabled.
  window.setEnabled(kButtonStartGame, true);
  window.setEnabled(kButtonStartUpdate, true);
  window.setVisible(kButtonStartUpdate, true);
  EXPECT_EQ(window.componentAt(x, y).name, kButtonStartUpdate);
  EXPECT_EQ(window.clickAt(x, y), kButtonStartUpdate);
  // Disabled by its own click, it still covers start-game, which the click must not reach.
  window.setEnabled(kButtonStartUpdate, false);
  EXPECT_EQ(window.clickAt(x, y), "");
  EXPECT_EQ(clicked, std::vector<std::string>{kButtonStartUpdate});

  window.setVisible(kButtonStartUpdate, false);
  EXPECT_EQ(window.componentAt(x, y).name, kButtonStartGame);
  EXPECT_EQ(window.clickAt(x, y), kButtonStartGame);
  EXPECT_EQ(clicked, (std::vector<std::string>{kButtonStartUpdate, kButtonStartGame}));
  // Elsewhere the table order stays: the progress bar lies over nothing else, timers never count.
  EXPECT_EQ(window.componentAt(400, 618).name, kProgressBar);
  EXPECT_EQ(window.componentAt(5, 5).name, "");
}

TEST(WindowHandlers, TrayDoubleClickRestoresCentredMinimiseAndCloseAndDestroy) {
  ui::Window window(text::DisplayCode::SC);
  CountingSocket socket;
  window.attachSocketDriver(&socket);
  int ended = 0;
  ui::bindWindowHandlers(window, [&] { ++ended; });

  window.setWindowVisible(false);
  window.raiseTray(1);
  window.raiseTray(3);
  EXPECT_FALSE(window.windowProps().visible);
  window.raiseTray(2);
  EXPECT_TRUE(window.windowProps().visible);
  EXPECT_EQ(window.windowProps().state, 1);

  window.raiseClick(kButtonMinimise);
  EXPECT_EQ(window.windowProps().state, 2);
  window.raiseDestroying();
  EXPECT_EQ(socket.disconnects, 1);
  window.raiseClick(kButtonClose);
  EXPECT_EQ(ended, 1);
}

ui::MenuItem menuEntry(int id, std::string text, bool checked = false, bool enabled = true, bool separator = false,
                       ui::Menu submenu = {}) {
  return ui::MenuItem{id, std::move(text), checked, enabled, separator, std::move(submenu)};
}

// A menu entry counts only if the menu shown last offers it, enabled, and only once.
TEST(WindowModel, MenuChoicesCountOnlyForEntriesTheShownMenuOffers) {
  ui::Window window(text::DisplayCode::SC);
  fakes::RecordingBackend backend;
  window.attach(&backend);
  std::vector<int> chosen;
  window.events().menuChosen = [&](int id) { chosen.push_back(id); };
  EXPECT_FALSE(window.raiseMenuChoice(1)) << "no menu shown yet";

  ui::MenuItem limits = menuEntry(0, "limits", false, true, false, {menuEntry(1, "none", true), menuEntry(2, "500")});
  ui::MenuItem closedGroup = menuEntry(0, "closed", false, false, false, {menuEntry(7, "inside a disabled submenu")});
  ui::MenuItem separator = menuEntry(9, "", false, true, true);
  ui::MenuItem repair = menuEntry(30, "repair", false, false);
  window.showMenu({limits, closedGroup, separator, repair});
  window.pump();
  ASSERT_EQ(backend.menus.size(), 1u);
  EXPECT_EQ(backend.menus[0].size(), 4u);
  EXPECT_EQ(backend.menus[0][0].submenu[1].id, 2);

  struct Case {
    int id;
    bool taken;
  } cases[] = {{0, false}, {30, false}, {9, false}, {7, false}, {-1, false}, {2, true}, {1, false}};
  for (const Case& c : cases) EXPECT_EQ(window.raiseMenuChoice(c.id), c.taken) << c.id;
  // The last one: the menu was already chosen from.
  EXPECT_EQ(chosen, std::vector<int>{2});

  // A new menu replaces the old one: its entries are what count now.
  window.showMenu({menuEntry(5, "five")});
  EXPECT_FALSE(window.raiseMenuChoice(2));
  EXPECT_TRUE(window.raiseMenuChoice(5));
  EXPECT_EQ(chosen, (std::vector<int>{2, 5}));
  window.attach(nullptr);
}

}  // namespace
