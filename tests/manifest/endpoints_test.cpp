#include "startup/endpoints.h"

#include <gtest/gtest.h>

#include <operator_config.h>

#include <string>

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
