#include "ui/news_navigation.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr const char* kHome = "http://News.Example.com/bz01.html";

struct Case {
  const char* target;
  NewsRoute expected;
};

void check(const char* home, const NewsRequest& shape, std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    NewsRequest request = shape;
    request.target = c.target;
    EXPECT_EQ(routeNewsRequest(home, request), c.expected)
        << "home " << home << ", target " << c.target << (shape.topLevel ? "" : " (frame)")
        << (shape.newWindow ? " (new window)" : "");
  }
}

TEST(NewsNavigation, TheViewsOwnPageStaysOnTheAnnouncementsSiteAndOtherWebPagesLeave) {
  check(kHome, {}, {
      {"http://news.example.com/bz01.html", NewsRoute::Stay},
      {"HTTP://NEWS.EXAMPLE.COM/other.html?a=1#b", NewsRoute::Stay},
      {"http://news.example.com:80/", NewsRoute::Stay},
      {"http://news.example.com", NewsRoute::Stay},
      {"http://news.example.com?x", NewsRoute::Stay},
      // The same site over TLS on its usual port; the other way round is another site.
      {"https://news.example.com/bz01.html", NewsRoute::Stay},
      {"https://news.example.com:8443/", NewsRoute::OpenOutside},
      {"http://news.example.com:8080/", NewsRoute::OpenOutside},
      {"http://www.example.com/", NewsRoute::OpenOutside},
      {"http://example.com/", NewsRoute::OpenOutside},
      {"http://news.example.com.evil.test/", NewsRoute::OpenOutside},
      {"http://evil.test/news.example.com", NewsRoute::OpenOutside},
      {"http://evil.test\\@news.example.com/", NewsRoute::OpenOutside},
      {"http://evil.test?@news.example.com/", NewsRoute::OpenOutside},
      // A user part shows the player another host than the one reached: never in the view.
      {"http://news.example.com@evil.test/", NewsRoute::OpenOutside},
      {"http://user@news.example.com/", NewsRoute::OpenOutside},
      {"https://forum.example.org/thread?id=1", NewsRoute::OpenOutside},
      // The view's own pages and the page's own scripts.
      {"about:blank", NewsRoute::Stay},
      {"ABOUT:BLANK", NewsRoute::Stay},
      {"javascript:void(0)", NewsRoute::Stay},
      {"JavaScript:show(2)", NewsRoute::Stay},
      // Nothing else is shown, and nothing else is handed to the shell.
      {"about:<script>alert(1)</script>", NewsRoute::Refuse},
      {"about:home", NewsRoute::Refuse},
      {"file:///C:/Windows/win.ini", NewsRoute::Refuse},
      {"file://server/share/x.exe", NewsRoute::Refuse},
      {"res://ieframe.dll/navcancl.htm", NewsRoute::Refuse},
      {"vbscript:msgbox(1)", NewsRoute::Refuse},
      {"data:text/html,<b>x</b>", NewsRoute::Refuse},
      {"mailto:gm@example.com", NewsRoute::Refuse},
      {"ms-msdt:/id PCWDiagnostic", NewsRoute::Refuse},
      {"search-ms:query=x", NewsRoute::Refuse},
      {"C:\\Windows\\notepad.exe", NewsRoute::Refuse},
      {"\\\\server\\share\\x.exe", NewsRoute::Refuse},
      {"news.example.com/bz01.html", NewsRoute::Refuse},
      {"", NewsRoute::Refuse},
      {"http:news.example.com", NewsRoute::Refuse},
      {"http://", NewsRoute::Refuse},
      {"http://:80/", NewsRoute::Refuse},
      {"http://news.example.com:99999/", NewsRoute::Refuse},
      {"http://news.example.com:8x/", NewsRoute::Refuse},
  });
}

TEST(NewsNavigation, AnHttpsAnnouncementKeepsToHttpsOnItsOwnPort) {
  check("https://cdn.example.com:8443/game/news.html", {}, {
      {"https://cdn.example.com:8443/game/other.html", NewsRoute::Stay},
      {"https://CDN.example.com:8443", NewsRoute::Stay},
      {"https://cdn.example.com/game/other.html", NewsRoute::OpenOutside},
      {"http://cdn.example.com:8443/game/other.html", NewsRoute::OpenOutside},
      {"http://cdn.example.com/", NewsRoute::OpenOutside},
  });
  check("http://[::1]:9000/bz01.html", {}, {
      {"http://[::1]:9000/x", NewsRoute::Stay},
      {"http://[::1]/x", NewsRoute::OpenOutside},
      {"http://[::2]:9000/x", NewsRoute::OpenOutside},
  });
}

TEST(NewsNavigation, FramesStayOnTheSiteAndAreDroppedElsewhere) {
  NewsRequest frame;
  frame.topLevel = false;
  check(kHome, frame, {
      {"http://news.example.com/frame.html", NewsRoute::Stay},
      {"https://news.example.com/frame.html", NewsRoute::Stay},
      {"about:blank", NewsRoute::Stay},
      // An advertisement or a video from elsewhere must not open the player's browser.
      {"http://ads.example.net/banner.html", NewsRoute::Refuse},
      {"https://video.example.org/embed/1", NewsRoute::Refuse},
      {"file:///C:/x.html", NewsRoute::Refuse},
  });
}

TEST(NewsNavigation, NewWindowsNeverOpenInTheViewAndOnlyThePlayersOwnGoOutside) {
  NewsRequest asked;
  asked.newWindow = true;
  check(kHome, asked, {
      {"http://news.example.com/full.html", NewsRoute::OpenOutside},
      {"https://www.example.org/", NewsRoute::OpenOutside},
      {"about:blank", NewsRoute::Refuse},
      {"javascript:alert(1)", NewsRoute::Refuse},
      {"file:///C:/x.html", NewsRoute::Refuse},
      {"mailto:gm@example.com", NewsRoute::Refuse},
  });
  NewsRequest popup = asked;
  popup.userAsked = false;
  check(kHome, popup, {
      {"http://news.example.com/full.html", NewsRoute::Refuse},
      {"https://www.example.org/", NewsRoute::Refuse},
  });
}

TEST(NewsNavigation, AHomeThatIsNoWebAddressKeepsNothingButTheViewsOwnPages) {
  check("about:blank", {}, {
      {"about:blank", NewsRoute::Stay},
      {"http://news.example.com/", NewsRoute::OpenOutside},
      {"file:///C:/x.html", NewsRoute::Refuse},
  });
}

TEST(NewsNavigation, TheDefaultBrowserIsStartedAtMostOnceASecond) {
  OutsideOpenings openings;
  struct Step {
    uint32_t nowMs;
    bool allowed;
  } steps[] = {
      {5000, true}, {5000, false}, {5999, false}, {6000, true}, {6500, false}, {9000, true},
      // The tick count wraps after 49.7 days.
      {0xFFFFFF00u, true}, {0x00000010u, false}, {0x00000300u, true},
  };
  for (const Step& s : steps) EXPECT_EQ(openings.allow(s.nowMs), s.allowed) << s.nowMs;
}

}  // namespace
}  // namespace ui
