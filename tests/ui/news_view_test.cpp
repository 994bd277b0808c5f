#include "ui/news_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// Records what the view asks of its browser control.
struct StubBrowser : NewsBrowser {
  std::vector<std::string> shown, written, outside;
  uint32_t now = 10000;
  void go(const std::string& address) override { shown.push_back(address); }
  void writePage(const std::string& html) override { written.push_back(html); }
  void openOutside(const std::string& address) override { outside.push_back(address); }
  uint32_t nowMs() override { return now; }
};

constexpr const char* kHome = "https://news.example.com/bz01.html";
constexpr const char* kText = "\xE5\x85\xAC\xE5\x91\x8A";  // 公告, UTF-8

struct NewsViewTest : ::testing::Test {
  StubBrowser browser;
  NewsEvents events{browser, kText};
  void SetUp() override { events.navigate(kHome); }
};

TEST_F(NewsViewTest, TheAnnouncementItsSiteAndScriptsStayAndNothingOpensOutside) {
  EXPECT_EQ(browser.shown, std::vector<std::string>{kHome});
  EXPECT_FALSE(events.beforeNavigate(kHome, true));
  EXPECT_FALSE(events.beforeNavigate("https://NEWS.example.com/page2.html", true));
  EXPECT_FALSE(events.beforeNavigate("https://news.example.com/frame.html", false));
  EXPECT_FALSE(events.beforeNavigate("javascript:void(0)", true));
  EXPECT_TRUE(browser.outside.empty());
}

TEST_F(NewsViewTest, OtherSitesAreCancelledAndGoToTheDefaultBrowserAtMostOnceASecond) {
  EXPECT_TRUE(events.beforeNavigate("http://forum.example.com/t/1", true));
  EXPECT_TRUE(events.beforeNavigate("http://shop.example.com/", true));  // too soon: dropped
  browser.now += 1000;
  EXPECT_TRUE(events.newWindow("https://www.example.org/", true));
  browser.now += 1000;
  EXPECT_TRUE(events.newWindow("https://popup.example.net/", false));  // a pop-up: dropped
  EXPECT_TRUE(events.newWindow("https://news.example.com/full.html", true));
  std::vector<std::string> expected = {"http://forum.example.com/t/1", "https://www.example.org/",
                                       "https://news.example.com/full.html"};
  EXPECT_EQ(browser.outside, expected);
  EXPECT_EQ(browser.shown, std::vector<std::string>{kHome});
}

TEST_F(NewsViewTest, FramesFromElsewhereAndOtherKindsOfAddressAreCancelledWithoutOpeningAnything) {
  EXPECT_TRUE(events.beforeNavigate("http://ads.example.net/banner", false));
  for (const char* address : {"file:///C:/Windows/win.ini", "res://ieframe.dll/dnserror.htm", "vbscript:x",
                              "mailto:gm@example.com", "about:home"}) {
    EXPECT_TRUE(events.beforeNavigate(address, true)) << address;
    browser.now += 5000;
    EXPECT_TRUE(events.newWindow(address, true)) << address;
  }
  EXPECT_TRUE(browser.outside.empty());
}

TEST_F(NewsViewTest, APageThatCannotLoadIsReplacedByThePlainPageOfTheView) {
  EXPECT_TRUE(events.navigateError(kHome, true));  // the control's own error page is cancelled
  ASSERT_EQ(browser.shown.size(), 2u);
  EXPECT_EQ(browser.shown[1], "about:blank");
  EXPECT_FALSE(events.beforeNavigate("about:blank", true));  // the view's own page is let through
  events.documentComplete("about:blank", false);             // a frame's document: not ours
  EXPECT_TRUE(browser.written.empty());
  events.documentComplete("about:blank", true);
  ASSERT_EQ(browser.written.size(), 1u);
  EXPECT_NE(browser.written[0].find(kText), std::string::npos);
  EXPECT_NE(browser.written[0].find("charset=\"utf-8\""), std::string::npos);
  // Written once: a later blank page of the site's own is left as it is.
  events.documentComplete("about:blank", true);
  EXPECT_EQ(browser.written.size(), 1u);
  // The site still counts as the view's own after the failure.
  EXPECT_FALSE(events.beforeNavigate("https://news.example.com/retry.html", true));
}

TEST_F(NewsViewTest, AFallbackThatCannotLoadEitherIsNotTriedAgain) {
  EXPECT_TRUE(events.navigateError(kHome, true));
  EXPECT_TRUE(events.navigateError(kHome, true));  // a second report of the same failure
  EXPECT_TRUE(events.navigateError("about:blank", true));
  EXPECT_EQ(browser.shown, (std::vector<std::string>{kHome, "about:blank"}));
}

TEST_F(NewsViewTest, AFailingFrameStaysEmptyAndTheShownPageIsKept) {
  EXPECT_TRUE(events.navigateError("https://news.example.com/missing-frame.html", false));
  events.documentComplete("about:blank", true);
  EXPECT_EQ(browser.shown, std::vector<std::string>{kHome});
  EXPECT_TRUE(browser.written.empty());
}

TEST_F(NewsViewTest, PointingTheViewElsewhereMovesTheSiteItKeepsTo) {
  events.navigate("http://127.0.0.1:8080/bz01.html");
  EXPECT_FALSE(events.beforeNavigate("http://127.0.0.1:8080/bz02.html", true));
  EXPECT_TRUE(events.beforeNavigate("https://news.example.com/bz01.html", true));
  EXPECT_EQ(browser.outside, std::vector<std::string>{"https://news.example.com/bz01.html"});
}

TEST(FallbackPage, TheTextIsEscapedSoItCannotBecomeMarkup) {
  std::string html = fallbackPageHtml("<script>a&b\"</script>");
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;a&amp;b&quot;&lt;/script&gt;"), std::string::npos);
}

}  // namespace
}  // namespace ui
