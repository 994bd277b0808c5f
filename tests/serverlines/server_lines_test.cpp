#include <gtest/gtest.h>

#include "fakes/encoded_text.h"

#include "line_fixture.h"
#include "startup/latency_look.h"
#include "startup/server_list.h"
#include "ui/component_names.h"

namespace serverlines {
namespace {

using namespace ui::names;
const std::string kMaintenance = fakes::gbkOf("维护");
const std::string kUnderMaintenance = fakes::gbkOf("维护中");
const ui::Rgb kGrey{128, 128, 128};
const ui::Rgb kGreen{0, 224, 128};

bool startEnabled(LineApp& t) { return t.window.component(kButtonStartGame).enabled; }
ui::Picture status(LineApp& t) { return t.window.component(kPictureStatus).picture; }
ui::Component ping(LineApp& t) { return t.window.component(kLabelPing); }

TEST(ServerListLoad, ListsEveryLineInManifestOrderAndChoosesTheFirst) {
  LineApp t;
  t.loadLines({line(fakes::gbkOf("一线"), "10.1.1.1", "5000"), line("Two", "10.1.1.2", "5001")});
  ui::Component combo = t.window.component(kComboZone);
  EXPECT_EQ(combo.items, (std::vector<std::string>{fakes::gbkOf("一线"), "Two"}));
  EXPECT_EQ(combo.selection, 0);
  ASSERT_EQ(t.app.serverList.size(), 2u);
  EXPECT_EQ(t.app.serverList[1].Lip, "10.1.1.2");
  EXPECT_EQ(t.app.serverList[1].version, "1.0.3");
  EXPECT_EQ(startup::selectedServer(t.app).name, fakes::gbkOf("一线"));

  startup::refreshServerStatus(t.app);
  EXPECT_EQ(t.socket.calls.back(), "connect 10.1.1.1:5000");
}

TEST(ServerListLoad, NoLinesLeaveNothingChosen) {
  LineApp t;
  t.loadLines({});
  EXPECT_EQ(t.window.component(kComboZone).selection, -1);
  EXPECT_EQ(startup::selectedServer(t.app).Lip, "");
  startup::refreshServerStatus(t.app);
  EXPECT_EQ(t.socket.connects(), 0);
  EXPECT_EQ(status(t), ui::Picture::StatusOffline);
}

TEST(ServerStatus, FourBytesWithAThirtyFiveMillisecondEchoShowOnline) {
  LineApp t;
  t.fake.network.echoMs["10.1.1.1"] = 35;
  t.loadLines({line("A", "10.1.1.1", "5000")});
  startup::refreshServerStatus(t.app);
  EXPECT_FALSE(startEnabled(t));
  EXPECT_EQ(ping(t).caption, kMaintenance);

  t.window.receiveSocketData("\x01\x02\x03\x04");
  t.window.pump();
  EXPECT_EQ(status(t), ui::Picture::StatusOnline);
  EXPECT_TRUE(startEnabled(t));
  EXPECT_EQ(t.socket.calls.back(), "disconnect");
  // The echo has not been answered yet: the label waits, empty, in green.
  EXPECT_EQ(ping(t).caption, "");
  EXPECT_EQ(ping(t).color, kGreen);
  EXPECT_TRUE(t.fake.network.echoed.empty());

  t.runSpawned();
  EXPECT_EQ(t.fake.network.echoed, (std::vector<std::string>{"10.1.1.1"}));
  EXPECT_EQ(ping(t).caption, "35ms");
  EXPECT_EQ(ping(t).color, kGreen);
}

TEST(ServerStatus, ZeroMillisecondEchoIsGreyButTheLineStaysStartable) {
  LineApp t;
  t.fake.network.echoMs["127.0.0.1"] = 0;
  t.loadLines({line("A", "127.0.0.1", "5000")});
  startup::refreshServerStatus(t.app);
  t.window.receiveSocketData("abcd");
  t.window.pump();
  t.runSpawned();
  EXPECT_EQ(ping(t).caption, kUnderMaintenance);
  EXPECT_EQ(ping(t).color, kGrey);
  EXPECT_EQ(status(t), ui::Picture::StatusOnline);
  EXPECT_TRUE(startEnabled(t));
}

TEST(ServerStatus, AnswersOfOtherLengthsLeaveTheLineOffline) {
  for (const std::vector<std::string>& arrivals :
       {std::vector<std::string>{"12345"}, std::vector<std::string>{"12", "34"}}) {
    LineApp t;
    t.loadLines({line("A", "10.1.1.1", "5000")});
    startup::refreshServerStatus(t.app);
    for (const auto& a : arrivals) {
      t.window.receiveSocketData(a);
      t.window.pump();
    }
    EXPECT_EQ(status(t), ui::Picture::StatusOffline);
    EXPECT_FALSE(startEnabled(t));
    EXPECT_EQ(ping(t).caption, kMaintenance);
    EXPECT_EQ(ping(t).color, kGrey);
    EXPECT_EQ(t.socket.calls.back(), "disconnect");
    EXPECT_TRUE(t.spawned.empty());
  }
}

TEST(ServerStatus, ALineWithoutLoginServerIsNeverProbed) {
  LineApp t;
  t.window.setEnabled(kButtonStartGame, true);
  t.loadLines({line("A", "", "5000")});
  startup::refreshServerStatus(t.app);
  EXPECT_EQ(t.socket.connects(), 0);
  EXPECT_EQ(status(t), ui::Picture::StatusOffline);
  EXPECT_FALSE(startEnabled(t));
}

TEST(ServerStatus, PortsAreReadLikeAtoiAndNeverBelowOne) {
  EXPECT_EQ(startup::probePort(" +8080x"), 8080);
  EXPECT_EQ(startup::probePort("abc"), 1);
  EXPECT_EQ(startup::probePort("-5"), 1);
  EXPECT_EQ(startup::probePort(""), 1);
  EXPECT_EQ(startup::probePort("0"), 1);
  EXPECT_EQ(startup::probePort("99999999999999999999"), 1000000);
}

TEST(ServerStatus, ANewerChoiceWinsOverAPendingProbe) {
  LineApp t;
  t.fake.network.echoMs["10.1.1.2"] = 150;
  t.loadLines({line("A", "10.1.1.1", "5000"), line("B", "10.1.1.2", "5001")});
  startup::refreshServerStatus(t.app);
  // A's answer arrives but is still queued when the player picks B.
  t.window.receiveSocketData("AAAA");
  t.window.setSelection(kComboZone, 1);
  startup::refreshServerStatus(t.app);
  EXPECT_EQ(t.socket.calls.back(), "connect 10.1.1.2:5001");
  t.window.pump();
  EXPECT_EQ(status(t), ui::Picture::StatusOffline);
  EXPECT_FALSE(startEnabled(t));
  EXPECT_EQ(t.socket.calls.back(), "connect 10.1.1.2:5001") << "A's stale arrival must not drop B's probe";

  t.window.receiveSocketData("BBBB");
  t.window.pump();
  t.runSpawned();
  EXPECT_EQ(status(t), ui::Picture::StatusOnline);
  EXPECT_EQ(ping(t).caption, "150ms");
  EXPECT_EQ(ping(t).color, (ui::Rgb{255, 128, 0}));
}

TEST(ServerStatus, ChoosingALineWithoutLoginServerDropsTheEarlierProbe) {
  LineApp t;
  t.loadLines({line("A", "10.1.1.1", "5000"), line("C", "", "")});
  startup::refreshServerStatus(t.app);
  t.window.receiveSocketData("AAAA");
  t.window.setSelection(kComboZone, 1);
  startup::refreshServerStatus(t.app);
  t.window.pump();
  EXPECT_EQ(t.socket.calls.back(), "disconnect");
  EXPECT_EQ(status(t), ui::Picture::StatusOffline);
  EXPECT_FALSE(startEnabled(t));
}

TEST(ServerStatus, AnEchoAnsweredAfterANewerChoiceIsDropped) {
  LineApp t;
  t.fake.network.echoMs["10.1.1.1"] = 20;
  t.loadLines({line("A", "10.1.1.1", "5000"), line("B", "10.1.1.2", "5001")});
  startup::refreshServerStatus(t.app);
  t.window.receiveSocketData("AAAA");
  t.window.pump();
  ASSERT_EQ(t.spawned.size(), 1u);
  t.window.setSelection(kComboZone, 1);
  startup::refreshServerStatus(t.app);
  t.runSpawned();
  EXPECT_EQ(ping(t).caption, kMaintenance);
  EXPECT_EQ(ping(t).color, kGrey);
}

TEST(LatencyLook, ColourBandsAndTheMaintenanceCaption) {
  struct Case {
    int ms;
    ui::Rgb color;
    std::string caption;
  } cases[] = {{1, kGreen, "1ms"},           {99, kGreen, "99ms"},           {100, {255, 128, 0}, "100ms"},
               {199, {255, 128, 0}, "199ms"}, {200, {255, 0, 0}, "200ms"},   {4999, {255, 0, 0}, "4999ms"},
               {0, kGrey, kUnderMaintenance}, {-1, kGrey, kUnderMaintenance}};
  for (const auto& c : cases) {
    startup::LatencyLook look = startup::latencyLook(c.ms);
    EXPECT_EQ(look.color, c.color) << c.ms;
    EXPECT_EQ(look.caption, c.caption) << c.ms;
  }
}

TEST(LatencyLook, TheMaintenanceCaptionIsConvertedForDisplay) {
  fakes::FakePlatform fake;
  ui::Window window(text::DisplayCode::TC);
  state::AppState app(fake.bundle, window, text::DisplayCode::TC);
  startup::showOfflineLook(app);
  EXPECT_EQ(window.component(kLabelPing).caption, text::convertForDisplay(text::DisplayCode::TC, kMaintenance));
  EXPECT_NE(window.component(kLabelPing).caption, kMaintenance);
}

}  // namespace
}  // namespace serverlines
