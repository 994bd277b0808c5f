#include <gtest/gtest.h>

#include <new>
#include <string>

#include "state/app_state.h"
#include "fakes/fake_platform.h"
#include "startup/announcement.h"
#include "startup/cache_busting.h"
#include "startup/endpoints.h"
#include "startup/manifest_fetch.h"
#include "ui/component_names.h"
#include "ui/window.h"

namespace startup {
namespace {

const std::string kPrimary = "10.1.1.1:8888/dlq/UpdateInfo_test.xml";
const std::string kSecondary = "10.2.2.2:8282/buding/dlq/UpdateInfo_test.xml";

std::string manifest(const std::string& serverList) {
  return "<?xml version=\"1.0\"?><UpdateInfo>" + serverList +
         "<Launcher ver=\"0.0.1\"/><PatchList><P name=\"a\"/></PatchList></UpdateInfo>";
}
const std::string kGood = manifest("<ServerList><S name=\"one\"/></ServerList>");
const std::string kGoodSecond = manifest("<ServerList><S name=\"second\"/><S name=\"x\"/></ServerList>");

class ManifestFetch : public ::testing::Test {
 protected:
  ManifestFetch() {
    app.endpoints.manifestPrimary = "10.1.1.1";
    app.endpoints.manifestSecondary = "10.2.2.2";
  }
  fakes::FakePlatform fake;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
};

TEST_F(ManifestFetch, AUsablePrimaryMeansTheSecondaryIsNeverAsked) {
  fake.http.bodies[kPrimary] = kGood;
  fake.http.bodies[kSecondary] = kGoodSecond;
  ASSERT_TRUE(fetchManifest(app));
  ASSERT_EQ(fake.http.requests.size(), 1u);
  EXPECT_EQ(fake.http.requests[0], "10.1.1.1:8888/dlq/UpdateInfo_test.xml?t=" + cacheBustingStamp(fake.system));
  EXPECT_EQ(manifestAttribute(app.manifestDocument, "UpdateInfo/ServerList/@1", "name"), "one");
}

TEST_F(ManifestFetch, EveryKindOfUnusablePrimaryFallsBackToTheSecondary) {
  const std::string causes[] = {
      "",                                                                              // no answer
      "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>",  // error page
      kGood.substr(0, kGood.size() / 2),                                               // truncated
      "UpdateInfo ServerList",                                                         // not XML
      "<Update><ServerList><S name=\"one\"/></ServerList></Update>",                   // wrong root
      manifest(""),                                                                    // no ServerList
      manifest("<ServerList></ServerList>"),                                           // empty ServerList
      manifest("<ServerList>only text <!-- <S/> --></ServerList>"),
      manifest("<Servers><S name=\"one\"/></Servers>"),
  };
  for (const auto& body : causes) {
    fakes::FakePlatform local;
    state::AppState state(local.bundle, window, text::DisplayCode::SC);
    state.endpoints.manifestPrimary = "10.1.1.1";
    state.endpoints.manifestSecondary = "10.2.2.2";
    local.http.bodies[kPrimary] = body;
    local.http.bodies[kSecondary] = kGoodSecond;
    ASSERT_TRUE(fetchManifest(state)) << body;
    ASSERT_EQ(local.http.requests.size(), 2u) << body;
    EXPECT_EQ(local.http.requests[1].substr(0, kSecondary.size() + 3), kSecondary + "?t=") << body;
    EXPECT_EQ(manifestCount(state.manifestDocument, "UpdateInfo/ServerList"), 2) << body;
  }
}

TEST_F(ManifestFetch, BothUnusableFailsAfterOneRequestEachAndKeepsNoDocument) {
  fake.http.bodies[kPrimary] = manifest("<ServerList/>");
  fake.http.bodies[kSecondary] = "<UpdateInfo><ServerList><S/></ServerList>";
  EXPECT_FALSE(fetchManifest(app));
  EXPECT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(manifestCount(app.manifestDocument, "UpdateInfo"), 0);
  EXPECT_TRUE(fake.system.endCodes.empty());  // ending is the worker's business, after its message
}

// An address whose answer cannot be held: the allocation fails as it would on a 32-bit
// system handed a huge answer.
struct ExhaustedPrimary : platform::HttpClient {
  fakes::FakeHttp& others;
  explicit ExhaustedPrimary(fakes::FakeHttp& o) : others(o) {}
  platform::HttpAnswer get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) override {
    if (port == 8888) throw std::bad_alloc();
    return others.get(host, port, pathAndQuery, secure);
  }
};

TEST_F(ManifestFetch, AnAnswerThatCannotBeHeldIsAFailedAddressWithOrWithoutKeys) {
  ExhaustedPrimary exhausted(fake.http);
  platform::Platform bundle = fake.bundle;
  platform::Platform withExhausted{bundle.system, bundle.files,    bundle.processes, bundle.instance,
                                   bundle.presence, exhausted,     bundle.network,   bundle.registry,
                                   bundle.shell,  bundle.ini,      bundle.shortcuts, bundle.starter};
  state::AppState state(withExhausted, window, text::DisplayCode::SC);
  state.endpoints = app.endpoints;
  fake.http.bodies[kSecondary] = kGoodSecond;
  EXPECT_TRUE(fetchManifest(state));
  EXPECT_EQ(manifestAttribute(state.manifestDocument, "UpdateInfo/ServerList/@1", "name"), "second");
  // With keys too it is an address that failed, not a forgery.
  state.endpoints.trustKeys[0] = platform::P256PublicKey{};
  fake.http.bodies[kSecondary] = "";
  EXPECT_EQ(fetchCheckedManifest(state), ManifestOutcome::kUnusable);
  EXPECT_EQ(fake.http.requests.size(), 2u);  // the secondary, twice
}

TEST_F(ManifestFetch, AManifestWithoutLauncherOrPatchListIsUsable) {
  fake.http.bodies[kPrimary] = "<UpdateInfo><ServerList><S name=\"one\"/></ServerList></UpdateInfo>";
  ASSERT_TRUE(fetchManifest(app));
  EXPECT_EQ(manifestAttribute(app.manifestDocument, "UpdateInfo/Launcher", "ver"), "");
  EXPECT_EQ(manifestCount(app.manifestDocument, "UpdateInfo/PatchList"), 0);
}

TEST_F(ManifestFetch, UsesThePortsFromTheEndpoints) {
  app.endpoints.manifestPrimaryPort = 18888;
  app.endpoints.manifestSecondaryPort = 18282;
  fake.http.bodies["10.2.2.2:18282/buding/dlq/UpdateInfo_test.xml"] = kGood;
  ASSERT_TRUE(fetchManifest(app));
  ASSERT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(fake.http.requests[0].rfind("10.1.1.1:18888/dlq/UpdateInfo_test.xml?t=", 0), 0u);
}

TEST_F(ManifestFetch, AnnouncementPageIsOnTheConfiguredHost) {
  app.endpoints.announcement = "127.0.0.1:8080";
  showAnnouncement(app);
  window.pump();
  EXPECT_EQ(window.component(ui::names::kWebView).address, "http://127.0.0.1:8080/bz01.html");
}

TEST(CacheBustingStamp, CountsSecondsFromEightInTheMorningAndIgnoresMilliseconds) {
  fakes::FakeSystem system;
  system.now = {1700000000 + 8 * 3600, 999};
  EXPECT_EQ(cacheBustingStamp(system), "1700000000");
  system.now.milliseconds = 0;
  EXPECT_EQ(cacheBustingStamp(system), "1700000000");
  system.now.seconds += 1;
  EXPECT_EQ(cacheBustingStamp(system), "1700000001");
  // Nine-digit seconds leave room for the first millisecond digit.
  system.now = {999999999 + 8 * 3600, 7};
  EXPECT_EQ(cacheBustingStamp(system), "9999999990");
  system.now = {12 + 8 * 3600, 45};
  EXPECT_EQ(cacheBustingStamp(system), "12045");
}

TEST_F(ManifestFetch, AnEndpointSetToHttpsIsAskedOverTls) {
  std::string error;
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary=10.1.1.1\nprimary_scheme=https\nsecondary=10.2.2.2\n",
                                 app.endpoints, error))
      << error;
  fake.http.bodies["https://" + kPrimary] = kGood;
  ASSERT_TRUE(fetchManifest(app));
  ASSERT_EQ(fake.http.requests.size(), 1u);
  EXPECT_EQ(fake.http.requests[0].rfind("https://10.1.1.1:8888/dlq/UpdateInfo_test.xml?t=", 0), 0u);
  // The secondary stays plain http unless it is set too.
  fake.http.requests.clear();
  fake.http.bodies.clear();
  fake.http.bodies[kSecondary] = kGoodSecond;
  ASSERT_TRUE(fetchManifest(app));
  ASSERT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(fake.http.requests[1].rfind("10.2.2.2:8282/", 0), 0u);
  EXPECT_FALSE(applyEndpointsText("[manifest]\nsecondary_scheme=ftp\n", app.endpoints, error));
}

TEST_F(ManifestFetch, AWholeAddressIsAskedWithItsOwnSchemePortAndPath) {
  std::string error;
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary = https://cdn.example.com/game/UpdateInfo.xml\n"
                                 "secondary = https://store.example:8443/b/Info.xml?sig=x%2Fy\n",
                                 app.endpoints, error))
      << error;
  EXPECT_FALSE(fetchManifest(app));
  ASSERT_EQ(fake.http.requests.size(), 2u);
  EXPECT_EQ(fake.http.requests[0].rfind("https://cdn.example.com:443/game/UpdateInfo.xml?t=", 0), 0u)
      << fake.http.requests[0];
  // A query of the address's own keeps its place; the stamp follows it.
  EXPECT_EQ(fake.http.requests[1].rfind("https://store.example:8443/b/Info.xml?sig=x%2Fy&t=", 0), 0u)
      << fake.http.requests[1];
}

}  // namespace
}  // namespace startup
