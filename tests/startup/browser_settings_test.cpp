#include <gtest/gtest.h>

#include "fakes/fake_services.h"
#include "startup/announcement.h"

namespace startup {
namespace {

const std::string kEmulation = std::string(kBrowserFeatureKey) + "FEATURE_BROWSER_EMULATION";
const std::string kActiveX = std::string(kBrowserFeatureKey) + "FEATURE_RESTRICT_ACTIVEXINSTALL";

TEST(BrowserSettings, TheLaunchersOwnFileNameGetsTheNewestStandardsModeAndNoActiveXOffers) {
  fakes::FakeRegistry registry;
  // Another program's setting is not touched.
  registry.userDwords[{kEmulation, "other.exe"}] = 7000;
  // A launcher renamed by the player, in GBK: 登陆器.exe
  const std::string renamed = "\xB5\xC7\xC2\xBD\xC6\xF7.exe";
  ASSERT_TRUE(prepareBrowserSettings(registry, renamed));
  EXPECT_EQ(kEmulation, "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION");
  std::map<std::pair<std::string, std::string>, uint32_t> expected = {
      {{kEmulation, "other.exe"}, 7000},
      {{kEmulation, renamed}, 11001},
      {{kActiveX, renamed}, 1},
  };
  EXPECT_EQ(registry.userDwords, expected);
}

TEST(BrowserSettings, OnlyValuesThatDifferAreWritten) {
  fakes::FakeRegistry registry;
  registry.userDwords[{kEmulation, "launcher.exe"}] = 11001;
  registry.userDwords[{kActiveX, "launcher.exe"}] = 0;
  ASSERT_TRUE(prepareBrowserSettings(registry, "launcher.exe"));
  EXPECT_EQ(registry.userWrites, 1);
  EXPECT_EQ((registry.userDwords[{kActiveX, "launcher.exe"}]), 1u);
  ASSERT_TRUE(prepareBrowserSettings(registry, "launcher.exe"));
  EXPECT_EQ(registry.userWrites, 1);
  // An older mode left by an earlier build is raised.
  registry.userDwords[{kEmulation, "launcher.exe"}] = 7000;
  ASSERT_TRUE(prepareBrowserSettings(registry, "launcher.exe"));
  EXPECT_EQ((registry.userDwords[{kEmulation, "launcher.exe"}]), 11001u);
}

TEST(BrowserSettings, AStoreThatCannotBeWrittenOrNoFileNameIsReportedNotFatal) {
  fakes::FakeRegistry registry;
  registry.readOnly = true;
  EXPECT_FALSE(prepareBrowserSettings(registry, "launcher.exe"));
  EXPECT_TRUE(registry.userDwords.empty());
  registry.readOnly = false;
  EXPECT_FALSE(prepareBrowserSettings(registry, ""));
  EXPECT_TRUE(registry.userDwords.empty());
}

}  // namespace
}  // namespace startup
