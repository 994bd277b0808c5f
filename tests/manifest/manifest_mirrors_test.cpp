// Alternate addresses named by the manifest: an entry's `mirrors` attribute and the MirrorList bases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/manifest_document.h"
#include "startup/manifest_mirrors.h"

namespace startup {
namespace {

using List = std::vector<std::string>;

ManifestDocument parsed(const std::string& body) {
  ManifestDocument doc;
  EXPECT_TRUE(parseManifest(doc, "<UpdateInfo><ServerList><S name=\"one\"/></ServerList>" + body + "</UpdateInfo>"));
  return doc;
}

TEST(ManifestMirrors, AnEntrysOwnAlternatesAreSplitAtBarsTrimmedAndNamedOnce) {
  ManifestDocument doc = parsed(
      "<PatchList>"
      "<P name=\"a\" url=\"http://h/a.pak\" mirrors=\" http://m1/a.pak |http://m2:81/x/a.pak||http://m1/a.pak|"
      "http://h/a.pak\"/>"
      "<P name=\"b\" url=\"http://h/b.pak\"/>"
      "</PatchList>");
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/PatchList/@1", "http://h/a.pak"),
            (List{"http://m1/a.pak", "http://m2:81/x/a.pak"}));
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/PatchList/@2", "http://h/b.pak"), List{});
}

TEST(ManifestMirrors, MirrorBasesStandInForTheBaseOfEveryAddressUnderIt) {
  ManifestDocument doc = parsed(
      "<MirrorList base=\"http://files.example.com/patch/\">"
      "<Mirror base=\"http://m1.example.com/p\"/><Mirror base=\"http://m2.example.com:8080/\"/><Mirror/>"
      "</MirrorList>"
      "<Launcher url=\"http://files.example.com/patch/DLQ.exe\" ver=\"2\"/>"
      "<PatchList>"
      "<P url=\"http://files.example.com/patch/data/a.pak\" mirrors=\"http://own/a.pak\"/>"
      "<P url=\"http://files.example.com/patches/b.pak\"/>"
      "<P url=\"http://other.example.com/patch/c.pak\"/>"
      "</PatchList>");
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/Launcher", "http://files.example.com/patch/DLQ.exe"),
            (List{"http://m1.example.com/p/DLQ.exe", "http://m2.example.com:8080/DLQ.exe"}));
  // The entry's own alternates come first.
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/PatchList/@1", "http://files.example.com/patch/data/a.pak"),
            (List{"http://own/a.pak", "http://m1.example.com/p/data/a.pak", "http://m2.example.com:8080/data/a.pak"}));
  // A base matches whole path steps only, and only its own server.
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/PatchList/@2", "http://files.example.com/patches/b.pak"), List{});
  EXPECT_EQ(manifestMirrors(doc, "UpdateInfo/PatchList/@3", "http://other.example.com/patch/c.pak"), List{});
}

TEST(ManifestMirrors, WithoutABaseOrWithoutAlternatesNothingIsAdded) {
  ManifestDocument noBase = parsed("<MirrorList><Mirror base=\"http://m1/\"/></MirrorList><PatchList><P/></PatchList>");
  EXPECT_EQ(manifestMirrors(noBase, "UpdateInfo/PatchList/@1", "http://h/a.pak"), List{});
  ManifestDocument none = parsed("<PatchList><P url=\"http://h/a.pak\"/></PatchList>");
  EXPECT_EQ(manifestMirrors(none, "UpdateInfo/PatchList/@1", "http://h/a.pak"), List{});
  // A MirrorList changes nothing for the readers of the other sections.
  ManifestDocument listed =
      parsed("<MirrorList base=\"http://h\"><M base=\"http://m\"/></MirrorList><PatchList><P/></PatchList>");
  EXPECT_EQ(manifestCount(listed, "UpdateInfo/PatchList"), 1);
  EXPECT_EQ(manifestCount(listed, "UpdateInfo/ServerList"), 1);
}

TEST(ManifestMirrors, AnAddressLiesUnderABaseUpToASlashAQueryOrItsEnd) {
  std::string rest;
  EXPECT_TRUE(addressUnderBase("http://h/p/a", "http://h/p", rest));
  EXPECT_EQ(rest, "/a");
  EXPECT_TRUE(addressUnderBase("http://h/p?x=1", "http://h/p/", rest));
  EXPECT_EQ(rest, "?x=1");
  EXPECT_TRUE(addressUnderBase("http://h/p", "http://h/p", rest));
  EXPECT_EQ(rest, "");
  EXPECT_FALSE(addressUnderBase("http://h/pq/a", "http://h/p", rest));
  EXPECT_FALSE(addressUnderBase("http://h:81/p/a", "http://h", rest));
  EXPECT_FALSE(addressUnderBase("http://h/p/a", "", rest));
}

}  // namespace
}  // namespace startup
