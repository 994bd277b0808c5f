#include "startup/endpoints.h"

#include <gtest/gtest.h>

#include <operator_config.h>

#include <string>

#include "test_locations.h"

namespace startup {
namespace {

TEST(Endpoints, DefaultsAreTheCompiledInAddressesAndFixedPorts) {
  Endpoints e;
  EXPECT_EQ(e.manifestPrimary, operator_config::kManifestPrimary);
  EXPECT_EQ(e.manifestSecondary, operator_config::kManifestSecondary);
  EXPECT_EQ(e.manifestPrimaryPort, 8888);
  EXPECT_EQ(e.manifestSecondaryPort, 8282);
  EXPECT_EQ(e.qqKey.size(), 32u);
  EXPECT_FALSE(e.announcement.empty());
}

TEST(Endpoints, AFileOverridesOnlyTheKeysItSets) {
  Endpoints e;
  std::string error;
  ASSERT_TRUE(applyEndpointsText("; loopback\r\n[manifest]\r\nprimary = 127.0.0.1   ; here\r\n"
                                 "primary_port=18888\n\n[web]\n  announcement\t=\t127.0.0.1:8080 # there\n",
                                 e, error))
      << error;
  EXPECT_EQ(e.manifestPrimary, "127.0.0.1");
  EXPECT_EQ(e.manifestPrimaryPort, 18888);
  EXPECT_EQ(e.announcement, "127.0.0.1:8080");
  EXPECT_EQ(e.manifestSecondary, operator_config::kManifestSecondary);
  EXPECT_EQ(e.manifestSecondaryPort, 8282);
  EXPECT_EQ(e.site, operator_config::kSite);
}

TEST(Endpoints, AMalformedFileIsRefusedWithItsLineAndChangesNothing) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"[manifest]\nprimary = 127.0.0.1\nprimary_port = 0\n", "line 3"},
      {"[manifest]\nprimary_port = 65536\n", "port"},
      {"[manifest]\nsecondary_port = 80x\n", "port"},
      {"[manifest]\nprimary = \n", "host"},
      {"[manifest]\nprimary = a b\n", "host"},
      {"[manifest]\nprimray = 127.0.0.1\n", "unknown key 'manifest.primray'"},
      {"primary = 127.0.0.1\n", "unknown key"},
      {"[web]\nqq_key = abc-def\n", "qq_key"},
      {"[web\nsite = x\n", "section"},
      {"[web]\nsite\n", "key = value"},
  };
  for (const auto& c : cases) {
    Endpoints e;
    std::string error;
    EXPECT_FALSE(applyEndpointsText(c.text, e, error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " -> " << error;
    EXPECT_EQ(e.manifestPrimary, operator_config::kManifestPrimary) << c.text;
    EXPECT_EQ(e.manifestPrimaryPort, 8888) << c.text;
  }
}

TEST(Endpoints, AManifestServerMayBeAWholeAddressWithItsSchemePortAndPath) {
  Endpoints e;
  std::string error;
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary = https://cdn.example.com/game/UpdateInfo.xml?sig=a%2Fb&x=1\n"
                                 "secondary = HTTP://[::1]:8080\n",
                                 e, error))
      << error;
  EXPECT_EQ(e.manifestPrimary, "cdn.example.com");
  EXPECT_EQ(e.manifestPrimaryPort, 443);
  EXPECT_TRUE(e.manifestPrimarySecure);
  EXPECT_EQ(e.manifestPrimaryPath, "/game/UpdateInfo.xml?sig=a%2Fb&x=1");
  // Without a path the usual one stays.
  EXPECT_EQ(e.manifestSecondary, "[::1]");
  EXPECT_EQ(e.manifestSecondaryPort, 8080);
  EXPECT_FALSE(e.manifestSecondarySecure);
  EXPECT_EQ(e.manifestSecondaryPath, "/buding/dlq/UpdateInfo_test.xml");
  // The later keys still apply over an address, and a plain host brings the usual path back
  // but leaves the port and scheme to their keys.
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary_port = 8443\nsecondary = https://h.example:9/\n"
                                 "secondary = 10.0.0.2\n",
                                 e, error))
      << error;
  EXPECT_EQ(e.manifestPrimaryPort, 8443);
  EXPECT_EQ(e.manifestSecondary, "10.0.0.2");
  EXPECT_EQ(e.manifestSecondaryPort, 9);
  EXPECT_TRUE(e.manifestSecondarySecure);
  EXPECT_EQ(e.manifestSecondaryPath, "/buding/dlq/UpdateInfo_test.xml");
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary = http://files.example\n", e, error)) << error;
  EXPECT_EQ(e.manifestPrimaryPort, 80);
  EXPECT_FALSE(e.manifestPrimarySecure);
  EXPECT_EQ(e.manifestPrimaryPath, "/dlq/UpdateInfo_test.xml");
}

TEST(Endpoints, AHostAloneKeepsTheFixedPortSchemeAndPath) {
  Endpoints e;
  EXPECT_EQ(e.manifestPrimaryPath, "/dlq/UpdateInfo_test.xml");
  EXPECT_EQ(e.manifestSecondaryPath, "/buding/dlq/UpdateInfo_test.xml");
  std::string error;
  ASSERT_TRUE(applyEndpointsText("[manifest]\nprimary = files.example\nsecondary = 10.0.0.3\n", e, error)) << error;
  EXPECT_EQ(e.manifestPrimary, "files.example");
  EXPECT_EQ(e.manifestPrimaryPort, 8888);
  EXPECT_FALSE(e.manifestPrimarySecure);
  EXPECT_EQ(e.manifestPrimaryPath, "/dlq/UpdateInfo_test.xml");
  EXPECT_EQ(e.manifestSecondaryPort, 8282);
}

TEST(Endpoints, AMalformedManifestAddressIsRefusedAndChangesNothing) {
  const char* bad[] = {
      "ftp://files.example/x.xml", "https://", "https:///x.xml", "https://files.example:0/x", "https://files.example:99999/",
      "https://files.example/a b.xml", "https://files.example/a\"b", "https://user@files.example/", "https://::1/x",
      "https://files.example/x\xB0.xml", "http//files.example/",
  };
  for (const char* address : bad) {
    Endpoints e;
    std::string error;
    EXPECT_FALSE(applyEndpointsText(std::string("[manifest]\nprimary = ") + address + "\n", e, error)) << address;
    EXPECT_NE(error.find("manifest.primary"), std::string::npos) << address << " -> " << error;
    EXPECT_EQ(e.manifestPrimary, operator_config::kManifestPrimary) << address;
    EXPECT_EQ(e.manifestPrimaryPort, 8888) << address;
    EXPECT_FALSE(e.manifestPrimarySecure) << address;
    EXPECT_EQ(e.manifestPrimaryPath, "/dlq/UpdateInfo_test.xml") << address;
  }
}

TEST(Endpoints, TheAnnouncementIsAHostOrAWholeAddressAndMalformedOnesAreRefused) {
  struct Case {
    const char* value;
    const char* page;  // empty: refused
  } cases[] = {
      {"news.example.com", "http://news.example.com/bz01.html"},
      {"127.0.0.1:8080", "http://127.0.0.1:8080/bz01.html"},
      {"https://news.example.com", "https://news.example.com/bz01.html"},
      {"HTTPS://news.example.com:8443/", "HTTPS://news.example.com:8443/bz01.html"},
      {"https://cdn.example.com/game/news.html?v=2", "https://cdn.example.com/game/news.html?v=2"},
      {"http://[::1]:9000/bz01.html", "http://[::1]:9000/bz01.html"},
      {"https://", ""},
      {"https://news.example.com:0/", ""},
      {"https://news.example.com/a b.html", ""},
      {"https://news.example.com/a\"b.html", ""},
      {"https://user@news.example.com/", ""},
      {"javascript:alert(1)", ""},
      {"file:///C:/news.html", ""},
  };
  for (const auto& c : cases) {
    Endpoints e;
    std::string before = e.announcement, error;
    bool accepted = applyEndpointsText(std::string("[web]\nannouncement = ") + c.value + "\n", e, error);
    if (*c.page == '\0') {
      EXPECT_FALSE(accepted) << c.value;
      EXPECT_EQ(e.announcement, before) << c.value;
      continue;
    }
    ASSERT_TRUE(accepted) << c.value << ": " << error;
    EXPECT_EQ(e.announcementAddress(), c.page) << c.value;
  }
}

TEST(Endpoints, TheShippedConfigurationParsesAsAnEndpointsFile) {
  std::string source = LAUNCHER_SOURCE_DIR;
  FILE* f = std::fopen((source + "/config/operator.ini").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string text;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  Endpoints e;
  e.site.clear();
  std::string error;
  ASSERT_TRUE(applyEndpointsText(text, e, error)) << error;
  EXPECT_EQ(e.site, operator_config::kSite);
  EXPECT_EQ(e.qqKey, operator_config::kQqKey);
}

}  // namespace
}  // namespace startup
