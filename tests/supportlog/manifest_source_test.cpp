// Which manifest address answered, in the support log, and why one did not.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "startup/manifest_fetch.h"
#include "state/app_state.h"
#include "ui/window.h"

namespace {

constexpr const char* kLog = "C:\\Game\\launcher.log";
const std::string kGood = "<UpdateInfo><ServerList><S name=\"one\"/></ServerList></UpdateInfo>";

struct ManifestSource : ::testing::Test {
  fakes::FakePlatform fake;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};

  ManifestSource() {
    app.endpoints.manifestPrimary = "10.1.1.1";
    app.endpoints.manifestSecondary = "10.2.2.2";
    app.log.open(kLog);
  }
  std::string log() { return fake.files.files.count(kLog) ? fake.files.files[kLog] : ""; }
  bool has(const std::string& line) { return log().find(" " + line + "\r\n") != std::string::npos; }
};

TEST_F(ManifestSource, ThePrimaryThatAnswersIsNamed) {
  fake.http.bodies["10.1.1.1:8888/dlq/UpdateInfo_test.xml"] = kGood;
  ASSERT_TRUE(startup::fetchManifest(app));
  EXPECT_TRUE(has("manifest from \"10.1.1.1\" port 8888: answered")) << log();
  EXPECT_EQ(log().find("10.2.2.2"), std::string::npos) << log();
}

TEST_F(ManifestSource, EachFailureSaysWhyAndBothFailedIsARefusal) {
  fake.http.bodies["10.1.1.1:8888/dlq/UpdateInfo_test.xml"] = "<html>502 Bad Gateway";
  ASSERT_FALSE(startup::fetchManifest(app));
  EXPECT_TRUE(has("manifest from \"10.1.1.1\" port 8888 failed: not a readable manifest")) << log();
  EXPECT_TRUE(has("manifest from \"10.2.2.2\" port 8282 failed: no answer")) << log();
  EXPECT_TRUE(has("refused: no usable manifest from either address")) << log();

  fake.http.bodies["10.1.1.1:8888/dlq/UpdateInfo_test.xml"] = "<UpdateInfo><ServerList/></UpdateInfo>";
  fake.http.bodies["10.2.2.2:8282/buding/dlq/UpdateInfo_test.xml"] = kGood;
  ASSERT_TRUE(startup::fetchManifest(app));
  EXPECT_TRUE(has("manifest from \"10.1.1.1\" port 8888 failed: no server lines")) << log();
  EXPECT_TRUE(has("manifest from \"10.2.2.2\" port 8282: answered")) << log();
}

}  // namespace
