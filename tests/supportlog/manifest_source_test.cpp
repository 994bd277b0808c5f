// Which manifest address answered, in the support log, and why one did not.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "signing.h"
#include "startup/manifest_fetch.h"
#include "startup/manifest_signature.h"
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

maker::SigningKey newKey() {
  maker::SigningKey key;
  std::string error;
  EXPECT_TRUE(maker::SigningKey::generate(key, error)) << error;
  return key;
}

std::string signedWith(const maker::SigningKey& key, const std::string& serial) {
  std::string text = "<UpdateInfo serial=\"" + serial + "\"><ServerList><S name=\"one\"/></ServerList></UpdateInfo>\r\n";
  std::string error;
  EXPECT_TRUE(maker::appendSignature(text, key, error)) << error;
  return text;
}

// Which key vouched for a manifest, and why one was refused: a key the build does not hold is
// told apart from a signature that does not match a key it holds.
TEST_F(ManifestSource, TheSignatureLineNamesTheKeySlotItsIdAndTheSerial) {
  maker::SigningKey first = newKey(), second = newKey(), stranger = newKey();
  std::string firstId = startup::keyIdOf(first.publicKey());
  std::string secondId = startup::keyIdOf(second.publicKey());
  std::string good = signedWith(second, "20261210");
  std::string wrong = good;
  size_t value = good.find(" value=") + 8;
  wrong[value] = wrong[value] == 'A' ? 'B' : 'A';
  std::string changed = good;
  changed[good.find("one")] = 'O';
  struct Case {
    const char* what;
    std::string body;
    std::string line;
  };
  const Case cases[] = {
      {"first slot", signedWith(first, "7"), ": answered, signed by key1 " + firstId + ", serial 7"},
      {"second slot", good, ": answered, signed by key2 " + secondId + ", serial 20261210"},
      {"a key nobody configured", signedWith(stranger, "7"),
       " failed: signed by an unknown key " + startup::keyIdOf(stranger.publicKey())},
      {"signature digits changed", wrong, " failed: signature does not match key2 " + secondId},
      {"signed part changed", changed, " failed: signature does not match key2 " + secondId},
      {"signature cut short", std::string(good).erase(good.find(" -->") - 4, 4), " failed: signature not readable"},
  };
  for (const Case& c : cases) {
    fakes::FakePlatform local;
    state::AppState state(local.bundle, window, text::DisplayCode::SC);
    state.endpoints = app.endpoints;
    state.endpoints.trustKeys[0] = first.publicKey();
    state.endpoints.trustKeys[1] = second.publicKey();
    state.clientFolder = "C:\\Game\\";
    state.log.open(kLog);
    local.http.bodies["10.1.1.1:8888/dlq/UpdateInfo_test.xml"] = c.body;
    startup::fetchCheckedManifest(state);
    std::string written = local.files.files[kLog];
    EXPECT_NE(written.find(" manifest from \"10.1.1.1\" port 8888" + c.line + "\r\n"), std::string::npos)
        << c.what << "\n" << written;
  }
}

}  // namespace
