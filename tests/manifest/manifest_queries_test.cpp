#include <gtest/gtest.h>

#include <string>

#include "startup/manifest_document.h"

namespace startup {
namespace {

const char* kManifest =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
    "<UpdateInfo>\n"
    "  <ServerList>\n"
    "    <Server name=\"\xB5\xE7\xD0\xC5\xD2\xBB\xC7\xF8\" Lip=\"10.0.0.1\" Lport=\"7000\" Mip=\"10.0.0.2\" Mport=\"7100\""
    " sublocale=\"1\" version=\"v1\"/>\n"
    "    <Line name=\"two\" lip=\"wrong-case\" Lip=\"10.0.0.3\">text is ignored<Inner/></Line>\n"
    "    <!-- <Server name=\"commented\"/> -->\n"
    "    <Server name=\"three &amp; more\"/>\n"
    "  </ServerList>\n"
    "  <Launcher name=\"dlq\" url=\"http://h/dlq.exe\" ver=\"0.0.2\"/>\n"
    "  <Launcher ver=\"second launcher is never read\"/>\n"
    "  <PatchList>\n"
    "    <Patch name=\"a.pak\" isupdate=\"true\"/>\n"
    "    <P name=\"b.pak\" isupdate=\"True\"/>\n"
    "  </PatchList>\n"
    "</UpdateInfo>\n";

class ManifestQueries : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(parseManifest(doc, kManifest)); }
  ManifestDocument doc;
};

TEST_F(ManifestQueries, CountsEntriesWhateverTheirElementNames) {
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/ServerList"), 3);
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/PatchList"), 2);
  EXPECT_EQ(manifestCount(doc, "UpdateInfo"), 4);
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/Launcher"), 0);
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/ServerList/@2"), 1);
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@2", "name"), "two");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@3", "name"), "three & more");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/PatchList/@2", "name"), "b.pak");
}

TEST_F(ManifestQueries, ReadsAttributesByExactCaseAndGbkBytes) {
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@1", "name"), "\xB5\xE7\xD0\xC5\xD2\xBB\xC7\xF8");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@1", "Lport"), "7000");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@1", "LIP"), "");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@1", "lip"), "");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@2", "Lip"), "10.0.0.3");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@2", "lip"), "wrong-case");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@3", "Lip"), "");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/PatchList/@2", "isupdate"), "True");
}

TEST_F(ManifestQueries, NamedComponentsSelectTheFirstChildOfThatName) {
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/Launcher", "ver"), "0.0.2");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/Launcher", "url"), "http://h/dlq.exe");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/Server", "Lip"), "10.0.0.1");
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/Line/Inner", "x"), "");
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/ServerList/Line"), 1);
}

TEST_F(ManifestQueries, PathsThatDoNotResolveGiveZeroAndEmpty) {
  const char* paths[] = {
      "",  "updateinfo/ServerList", "UpdateInfo/serverlist", "Other/ServerList", "UpdateInfo/ServerList/@0",
      "UpdateInfo/ServerList/@4", "UpdateInfo/ServerList/@", "UpdateInfo/ServerList/@-1",
      "UpdateInfo/ServerList/@1x", "UpdateInfo/ServerList/@99999999999999999999", "UpdateInfo//ServerList",
      "UpdateInfo/ServerList/", "/UpdateInfo/ServerList", "UpdateInfo/Nothing/@1",
  };
  for (const char* path : paths) {
    EXPECT_EQ(manifestCount(doc, path), 0) << path;
    EXPECT_EQ(manifestAttribute(doc, path, "name"), "") << path;
  }
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/ServerList/@01", "name"), "\xB5\xE7\xD0\xC5\xD2\xBB\xC7\xF8");
}

TEST(ManifestDocument, AFailedParseLeavesNoDocument) {
  ManifestDocument doc;
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/ServerList"), 0);
  ASSERT_TRUE(parseManifest(doc, kManifest));
  EXPECT_FALSE(parseManifest(doc, std::string(kManifest).substr(0, 200)));
  EXPECT_EQ(manifestCount(doc, "UpdateInfo/ServerList"), 0);
  EXPECT_EQ(manifestAttribute(doc, "UpdateInfo/Launcher", "ver"), "");
}

}  // namespace
}  // namespace startup
