// Addresses and the segment table.
#include <gtest/gtest.h>

#include "download/segment_table.h"
#include "download/url.h"

namespace download {
namespace {

TEST(Url, TrimsAsciiAndFullWidthBlanks) {
  EXPECT_EQ(trimBlanks("  http://h/x \xA1\xA1 "), "http://h/x");
  EXPECT_EQ(trimBlanks("\xA1\xA1http://h/x"), "http://h/x");
  // "\xB0\xA1" is one character whose trail byte must not pair with the next lead byte.
  EXPECT_EQ(trimBlanks("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(trimBlanks("   "), "");
}

TEST(Url, ParsesHostPortAndPath) {
  Url url;
  ASSERT_TRUE(parseUrl("http://127.0.0.1:8282/patch/a.zip?t=1", url));
  EXPECT_EQ(url.host, "127.0.0.1");
  EXPECT_EQ(url.port, 8282);
  EXPECT_EQ(url.path, "/patch/a.zip?t=1");
  ASSERT_TRUE(parseUrl("HTTP://example.org", url));
  EXPECT_EQ(url.port, 80);
  EXPECT_EQ(url.path, "/");
  ASSERT_TRUE(parseUrl("HTTPS://example.org/a", url));
  EXPECT_TRUE(url.secure);
  EXPECT_EQ(url.port, 443);
  EXPECT_EQ(formatUrl(url), "https://example.org/a");
  ASSERT_TRUE(parseUrl("https://example.org:80/a", url));
  EXPECT_EQ(formatUrl(url), "https://example.org:80/a");
  EXPECT_FALSE(parseUrl("ftp://example.org/a", url));
  EXPECT_FALSE(parseUrl("http://:80/a", url));
  EXPECT_FALSE(parseUrl("http://h:99999/a", url));
  EXPECT_FALSE(parseUrl("http://h/a\r\nX: y", url));
  EXPECT_EQ(defaultReferer("http://h:81/a/b.zip"), "http://h:81/a");
}

TEST(Url, TheHostEndsAtThePathTheQueryOrTheFragment) {
  Url url;
  ASSERT_TRUE(parseUrl("http://h:81?t=5", url));
  EXPECT_EQ(url.host, "h");
  EXPECT_EQ(url.path, "/?t=5");
  ASSERT_TRUE(parseUrl("http://h/a.zip#part", url));
  EXPECT_EQ(url.path, "/a.zip");
  EXPECT_FALSE(parseUrl("http://?t=1796761422", url));
  EXPECT_FALSE(parseUrl("?t=1796761422", url));
  EXPECT_FALSE(parseUrl("http://#x", url));
}

TEST(Url, TheSameResourceWhateverItsStamp) {
  EXPECT_EQ(withoutStamp("/a.zip?t=20240101"), "/a.zip");
  EXPECT_EQ(withoutStamp("/get?id=3?t=1"), "/get?id=3");
  EXPECT_EQ(withoutStamp("/a?t=1/b"), "/a?t=1/b");
  EXPECT_TRUE(sameResource(Url{"Files.Example", 80, "/a.zip?t=1"}, Url{"files.example", 80, "/a.zip?t=2"}));
  EXPECT_FALSE(sameResource(Url{"h", 80, "/a.zip?t=1"}, Url{"h", 81, "/a.zip?t=1"}));
  EXPECT_FALSE(sameResource(Url{"h", 80, "/a.zip?t=1"}, Url{"g", 80, "/a.zip?t=1"}));
  EXPECT_FALSE(sameResource(Url{"h", 80, "/a.zip?t=1"}, Url{"h", 80, "/b.zip?t=1"}));
  EXPECT_FALSE(sameResource(Url{"h", 443, "/a.zip", false}, Url{"h", 443, "/a.zip", true}));
}

TEST(Url, ResolvesRedirectTargets) {
  Url base{"h", 81, "/a"};
  Url target;
  ASSERT_TRUE(resolveLocation(base, "/b/c", target));
  EXPECT_EQ(formatUrl(target), "http://h:81/b/c");
  ASSERT_TRUE(resolveLocation(base, "http://other/x", target));
  EXPECT_EQ(formatUrl(target), "http://other/x");
  EXPECT_FALSE(resolveLocation(base, "", target));
  EXPECT_FALSE(resolveLocation(base, "ftp://x/y", target));
  EXPECT_FALSE(resolveLocation(base, "/a\r\nX: y", target));
}

TEST(Url, ResolvesRelativeLocationsAgainstTheRequest) {
  Url base{"h", 81, "/files/v2/a.zip?t=5"};
  Url target;
  auto resolved = [&](const char* location) {
    return resolveLocation(base, location, target) ? formatUrl(target) : std::string("refused");
  };
  EXPECT_EQ(resolved("b.zip"), "http://h:81/files/v2/b.zip");
  EXPECT_EQ(resolved("../v3/a.zip?t=6"), "http://h:81/files/v3/a.zip?t=6");
  EXPECT_EQ(resolved("./"), "http://h:81/files/v2/");
  EXPECT_EQ(resolved("../../../../x"), "http://h:81/x");
  EXPECT_EQ(resolved("?t=7"), "http://h:81/files/v2/a.zip?t=7");
  EXPECT_EQ(resolved("/c/./d/../e#frag"), "http://h:81/c/e");
  EXPECT_EQ(resolved("//mirror:8080/a"), "http://mirror:8080/a");
  EXPECT_EQ(resolved("a:b/c"), "http://h:81/files/v2/a:b/c");
}

// A Location goes into the next request line: what a URL may not carry raw is encoded, and a
// control byte refuses the redirect.
TEST(Url, RedirectTargetsAreEncodedForTheRequestLineOrRefused) {
  Url base{"h", 80, "/files/a.zip"};
  struct Case {
    std::string location;
    std::string resolved;  // "refused" when the redirect is refused
  };
  const Case cases[] = {
      {"/new dir/a b.zip", "http://h/new%20dir/a%20b.zip"},
      {"http://other/x y?q=1 2", "http://other/x%20y?q=1%202"},
      {"b c.zip", "http://h/files/b%20c.zip"},
      {"/\xB2\xB9\xB6\xA1.zip", "http://h/%B2%B9%B6%A1.zip"},
      {"/a\"<>\\^`{|}.zip", "http://h/a%22%3C%3E%5C%5E%60%7B%7C%7D.zip"},
      {"/already%20encoded", "http://h/already%20encoded"},
      {"/a\tb", "refused"},
      {"/a\rb", "refused"},
      {"/a\nGET /x", "refused"},
      {std::string("/a\0b", 4), "refused"},
      {"/a\x01" "b", "refused"},
      {"/a\x1F", "refused"},
      {"/a\x7F", "refused"},
      {"//other/a\x7F" "b", "refused"},
  };
  for (const Case& c : cases) {
    Url target;
    std::string got = resolveLocation(base, c.location, target) ? formatUrl(target) : "refused";
    EXPECT_EQ(got, c.resolved) << c.location;
  }
}

TEST(Url, RedirectsMayGainProtectionButNeverDropIt) {
  Url plain{"h", 80, "/a"};
  Url secure{"h", 443, "/a", true};
  Url target;
  ASSERT_TRUE(resolveLocation(plain, "https://h/a", target));
  EXPECT_TRUE(target.secure);
  EXPECT_EQ(target.port, 443);
  ASSERT_TRUE(resolveLocation(secure, "https://other:8443/b", target));
  EXPECT_EQ(formatUrl(target), "https://other:8443/b");
  // Relative and scheme-less targets keep the request's scheme.
  ASSERT_TRUE(resolveLocation(secure, "b", target));
  EXPECT_EQ(formatUrl(target), "https://h/b");
  ASSERT_TRUE(resolveLocation(secure, "//cdn/b", target));
  EXPECT_EQ(formatUrl(target), "https://cdn/b");
  EXPECT_FALSE(resolveLocation(secure, "http://h/a", target));
  EXPECT_FALSE(resolveLocation(secure, "HTTP://h/a", target));
}

TEST(SegmentTable, SplitsAFreshFileEvenlyWithTheRestLast) {
  SegmentTable t = SegmentTable::fresh(100003, 5);
  ASSERT_EQ(t.segments().size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(t.segments()[i].start, 20000 * i);
    EXPECT_EQ(t.segments()[i].length, 20000);
  }
  EXPECT_EQ(t.segments()[4].length, 20003);
  EXPECT_EQ(SegmentTable::fresh(20479, 5).segments().size(), 1u);
  EXPECT_EQ(SegmentTable::fresh(20480, 5).segments().size(), 5u);
  EXPECT_EQ(SegmentTable::fresh(0, 5).segments().size(), 1u);
}

TEST(SegmentTable, FurtherConnectionsTakeFreeSegmentsThenSplitTheLargest) {
  SegmentTable t = SegmentTable::fresh(200000, 2);
  t.at(0).owner = 1;
  EXPECT_EQ(t.assign(2), 1);
  t.at(0).received = 10000;  // 90000 missing
  t.at(1).received = 50000;  // 50000 missing
  int split = t.assign(3);
  ASSERT_EQ(split, 2);
  EXPECT_EQ(t.segments()[0].length, 10000 + 45000);
  EXPECT_EQ(t.segments()[2].start, 55000);
  EXPECT_EQ(t.segments()[2].length, 45000);
  EXPECT_EQ(t.segments()[2].owner, 3);
  // Odd remainders leave the larger half with the present owner.
  t.at(1).received = 100000 - 40961;
  t.at(0).received = 55000;
  t.at(2).received = 45000;
  ASSERT_EQ(t.assign(4), 3);
  EXPECT_EQ(t.segments()[1].missing(), 20481);
  EXPECT_EQ(t.segments()[3].length, 20480);
  EXPECT_EQ(t.segments()[3].start + t.segments()[3].length, 200000);
}

TEST(SegmentTable, NoWorkWhenLessThanTwoBuffersRemain) {
  SegmentTable t = SegmentTable::fresh(100000, 1);
  t.at(0).owner = 1;
  t.at(0).received = 100000 - 40959;
  EXPECT_EQ(t.assign(2), -1);
  EXPECT_EQ(t.segments().size(), 1u);
  t.at(0).received = 100000;
  EXPECT_TRUE(t.complete());
  EXPECT_EQ(t.receivedTotal(), 100000);
}

}  // namespace
}  // namespace download
