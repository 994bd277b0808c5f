#include <gtest/gtest.h>

#include "state/app_state.h"
#include "fakes/encoded_text.h"
#include "fakes/fake_platform.h"
#include "launch/game_launch.h"
#include "launch/link_buttons.h"
#include "startup/manifest_document.h"
#include "startup/server_list.h"
#include "ui/component_names.h"

namespace launch {
namespace {

using namespace ui::names;

// Keeps the texts of message boxes.
struct MessageLog : ui::Backend {
  std::vector<std::string> boxes;
  void apply(const ui::Component&, ui::Change) override {}
  void applyWindow(const ui::WindowProps&, ui::Change) override {}
  void wake() override {}
  void showMenu(const ui::Menu&) override {}
  void messageBox(const std::string& text) override { boxes.push_back(text); }
  bool question(const std::string& text) override {
    boxes.push_back(text);
    return false;
  }
};

struct Launch : ::testing::Test {
  fakes::FakePlatform fake;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
  MessageLog log;

  Launch() {
    window.attach(&log);
    app.clientFolder = "C:\\Game\\";
    fake.files.files["Client.exe"] = "MZ";
    app.serverList = {{"One", "10.1.1.1", "5000", "10.1.1.9", "7000", "zh_CN", "1.0.3"},
                      {"Two", "A", "P", "B", "Q", "S", "2.0"}};
    for (const auto& s : app.serverList) window.addItem(kComboZone, s.name);
  }
  ~Launch() override { window.attach(nullptr); }
  std::string versionInIni() { return fake.ini.data["C:\\Game\\vf.ini"]["aaa"]["bbb"]; }
};

TEST_F(Launch, TheCommandLineNamesTheChosenLineByteForByte) {
  window.setSelection(kComboZone, 1);
  startGame(app);
  ASSERT_EQ(fake.starter.created.size(), 1u);
  EXPECT_EQ(fake.starter.created[0].application, "Client.exe");
  EXPECT_EQ(fake.starter.created[0].commandLine,
            "%1 code:1622 logip:A logport:P chatip:B chatport:Q setting:\"file://data/features.xml=Regular, China\" "
            "sublocale:S");
  EXPECT_EQ(fake.starter.created[0].workingDirectory, "");
  EXPECT_EQ(fake.starter.created[0].startup.flags, 0u);
  EXPECT_EQ(versionInIni(), "2.0");
  EXPECT_TRUE(log.boxes.empty());
}

// From the manifest's attributes to the client's command line: each field in its place.
TEST_F(Launch, TheManifestLinesLoginAndChatServersReachTheClient) {
  ASSERT_TRUE(startup::parseManifest(
      app.manifestDocument,
      "<UpdateInfo><ServerList><Server name=\"A\" Lip=\"10.2.0.1\" Lport=\"6001\" Mip=\"chat.example\" "
      "Mport=\"6002\" sublocale=\"zh_TW\" version=\"3.1\"/></ServerList></UpdateInfo>"));
  app.serverList.clear();
  startup::loadServerList(app);
  startGame(app);
  ASSERT_EQ(fake.starter.created.size(), 1u);
  EXPECT_EQ(fake.starter.created[0].commandLine,
            "%1 code:1622 logip:10.2.0.1 logport:6001 chatip:chat.example chatport:6002 "
            "setting:\"file://data/features.xml=Regular, China\" sublocale:zh_TW");
  EXPECT_EQ(versionInIni(), "3.1");
}

TEST_F(Launch, EmptyAndSpacedFieldsAreInsertedVerbatim) {
  EXPECT_EQ(clientCommandText({"n", "", "", "", "", "", ""}),
            "code:1622 logip: logport: chatip: chatport: setting:\"file://data/features.xml=Regular, China\" "
            "sublocale:");
  EXPECT_EQ(clientCommandText({"n", "a b", "1", "c\"d", "2", "zh TW", "v"}),
            "code:1622 logip:a b logport:1 chatip:c\"d chatport:2 setting:\"file://data/features.xml=Regular, "
            "China\" sublocale:zh TW");
}

TEST_F(Launch, WithoutAChosenLineOnlyTheMessageShows) {
  startGame(app);
  EXPECT_EQ(log.boxes, (std::vector<std::string>{fakes::gbkOf("请选择服务器线路")}));
  EXPECT_TRUE(fake.starter.created.empty());
  EXPECT_TRUE(fake.ini.data.empty());
}

TEST_F(Launch, TheVersionIsWrittenEvenWhenTheClientCannotStart) {
  window.setSelection(kComboZone, 0);
  fake.starter.refuse = true;
  EXPECT_EQ(launchClient(app, "x"), 0u);
  startGame(app);
  EXPECT_EQ(versionInIni(), "1.0.3");
  EXPECT_EQ(log.boxes, (std::vector<std::string>{"error:0x01", "error:0x01"}));
}

TEST_F(Launch, AMissingClientShowsTheErrorAfterWritingTheVersion) {
  window.setSelection(kComboZone, 0);
  fake.files.files.erase("Client.exe");
  startGame(app);
  EXPECT_TRUE(fake.starter.created.empty());
  EXPECT_EQ(versionInIni(), "1.0.3");
  EXPECT_EQ(log.boxes, (std::vector<std::string>{"error:0x01"}));
}

TEST_F(Launch, AFailedSettingsWriteDoesNotStopTheStart) {
  window.setSelection(kComboZone, 0);
  fake.ini.failWrites = true;
  startGame(app);
  EXPECT_EQ(fake.starter.created.size(), 1u);
  EXPECT_TRUE(log.boxes.empty());
}

TEST_F(Launch, TwoClicksStartTwoClients) {
  window.setSelection(kComboZone, 0);
  window.setEnabled(kButtonStartGame, true);
  app.window.events().clicked[kButtonStartGame] = [this] { startGame(app); };
  window.raiseClick(kButtonStartGame);
  window.raiseClick(kButtonStartGame);
  ASSERT_EQ(fake.starter.created.size(), 2u);
  EXPECT_EQ(fake.starter.idleWaits.size(), 2u);
  EXPECT_TRUE(window.component(kButtonStartGame).enabled);
  EXPECT_EQ(fake.starter.closed.size(), 4u);
}

TEST(LinkButtons, EachButtonOpensItsAddressFromTheEndpoints) {
  startup::Endpoints e;
  e.site = "www.site.test";
  e.forum = "bbs.site.test";
  e.account = "10.0.0.5";
  e.qq = "qm.qq.test";
  e.qqKey = "Key_0123456789abcdefghijklmnopqr";
  const std::pair<const char*, std::string> rows[] = {
      {kButtonHome, "http://www.site.test/"},
      {kButtonForum, "http://bbs.site.test/forum.php"},
      {kButtonRegister, "http://10.0.0.5:8888/Register/Home/index"},
      {kButtonQQGroup, "https://qm.qq.test/cgi-bin/qm/qr?k=Key_0123456789abcdefghijklmnopqr"},
      {kButtonRecharge, "http://www.site.test/h-nd-250.html"},
      {kButtonHelp1, "http://bbs.site.test/forum.php?mod=viewthread&tid=316&extra=page%3D1"},
      {kButtonHelp2, "http://bbs.site.test/boss.html"},
      {kButtonHelp3, "http://bbs.site.test/Equipment_5.html"},
      {kButtonHelp4, "http://www.site.test/h-nd-327.html#_np=2_546"},
  };
  fakes::FakePlatform fake;
  ui::Window window(text::DisplayCode::SC);
  state::AppState app(fake.bundle, window, text::DisplayCode::SC);
  app.endpoints = e;
  for (const auto& [button, address] : rows) {
    EXPECT_EQ(linkAddress(e, button), address);
    openLinkButton(app, button);
    openLinkButton(app, button);
    ASSERT_GE(fake.shell.calls.size(), 2u);
    EXPECT_EQ(fake.shell.calls.back().file, address);
    EXPECT_EQ(fake.shell.calls[fake.shell.calls.size() - 2].file, address) << "every click opens the page again";
  }
  EXPECT_EQ(linkAddress(e, kButtonClose), "");
}

}  // namespace
}  // namespace launch
