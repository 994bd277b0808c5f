#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "fakes/encoded_text.h"
#include "fakes/recording_backend.h"
#include "startup/startup_sequence.h"
#include "ui/component_names.h"

namespace {

const std::string kManifestUnusable = fakes::gbkOf("读远程配置文件错误,请稍候再试吗，或下载最新版登录器尝试...");
const std::string kManifestUnverified = fakes::gbkOf("更新信息无法验证,可能已被篡改,请稍后再试或联系游戏管理员!");

struct WorkerTest : ::testing::Test {
  fakes::FakePlatform fake;
  fakes::RecordingBackend backend;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};

  WorkerTest() {
    window.attach(&backend);
    app.executablePath = "C:\\Game\\launcher.exe";
    app.clientFolder = "C:\\Game\\";
    app.downloadCacheFolder = "C:\\Game\\DownloadCache\\";
    app.endpoints.manifestPrimary = "127.0.0.1";
    app.endpoints.manifestSecondary = "127.0.0.2";
  }
};

TEST_F(WorkerTest, WithoutAUsableManifestOneMessageEndsTheRunBeforeAnyLaterStep) {
  startup::remoteConfigurationWorker(app);
  window.pump();
  EXPECT_EQ(backend.messages, std::vector<std::string>{kManifestUnusable});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_TRUE(window.component(ui::names::kComboZone).items.empty());
  EXPECT_FALSE(app.workerFinished);
  EXPECT_EQ(fake.http.requests.size(), 2u);  // each address asked exactly once
}

TEST_F(WorkerTest, AManifestThatCannotBeVerifiedSaysSoAndEndsTheRun) {
  app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04, 1, 2, 3};
  const char* unsigned_ = "<UpdateInfo><ServerList><a name=\"one\"/></ServerList></UpdateInfo>";
  fake.http.bodies["127.0.0.1:8888/dlq/UpdateInfo_test.xml"] = unsigned_;
  fake.http.bodies["127.0.0.2:8282/buding/dlq/UpdateInfo_test.xml"] = unsigned_;
  startup::remoteConfigurationWorker(app);
  window.pump();
  EXPECT_EQ(backend.messages, std::vector<std::string>{kManifestUnverified});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_TRUE(window.component(ui::names::kComboZone).items.empty());
  EXPECT_FALSE(app.workerFinished);
}

TEST_F(WorkerTest, AUsableManifestRunsEveryStepInOrderAndFinishes) {
  fake.http.bodies["127.0.0.1:8888/dlq/UpdateInfo_test.xml"] =
      "<UpdateInfo><ServerList><a name=\"one\"/><b name=\"two\"/></ServerList>"
      "<Launcher ver=\"0.0.1\"/><PatchList/></UpdateInfo>";
  startup::remoteConfigurationWorker(app);
  window.pump();
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_FALSE(fake.system.ended());
  EXPECT_TRUE(app.workerFinished);
  EXPECT_EQ(fake.http.requests.size(), 1u);
  EXPECT_EQ(window.component(ui::names::kComboZone).items, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(window.component(ui::names::kComboZone).selection, 0);
  EXPECT_EQ(window.component(ui::names::kWebView).address, "http://" + app.endpoints.announcement + "/bz01.html");
}

}  // namespace
