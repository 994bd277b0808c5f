#include "ui/news_view.h"

namespace ui {

namespace {

constexpr const char* kBlank = "about:blank";

bool isBlank(const std::string& address) {
  if (address.size() != 11) return false;
  for (size_t i = 0; i < address.size(); ++i) {
    char c = address[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kBlank[i]) return false;
  }
  return true;
}

}  // namespace

std::string fallbackPageHtml(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else if (c == '&') escaped += "&amp;";
    else if (c == '"') escaped += "&quot;";
    else escaped += c;
  }
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
         "<body style=\"margin:0;background:#f4f4f4;color:#808080;font:12px sans-serif;\">"
         "<table style=\"width:100%;height:100%;border:0\"><tr><td style=\"text-align:center\">" +
         escaped + "</td></tr></table></body></html>";
}

void NewsEvents::navigate(const std::string& home) {
  home_ = home;
  fallbackDue_ = false;
  browser_.go(home);
}

bool NewsEvents::beforeNavigate(const std::string& address, bool topLevel) {
  NewsRequest request;
  request.target = address;
  request.topLevel = topLevel;
  switch (routeNewsRequest(home_, request)) {
    case NewsRoute::Stay: return false;
    case NewsRoute::OpenOutside:
      if (openings_.allow(browser_.nowMs())) browser_.openOutside(address);
      return true;
    case NewsRoute::Refuse: break;
  }
  return true;
}

bool NewsEvents::newWindow(const std::string& address, bool userAsked) {
  NewsRequest request;
  request.target = address;
  request.newWindow = true;
  request.userAsked = userAsked;
  if (routeNewsRequest(home_, request) == NewsRoute::OpenOutside && openings_.allow(browser_.nowMs()))
    browser_.openOutside(address);
  return true;  // the control never opens a window of its own
}

bool NewsEvents::navigateError(const std::string& address, bool topLevel) {
  // The blank page that would carry the fallback failing too must not start over, for ever.
  if (topLevel && !fallbackDue_ && !isBlank(address)) {
    fallbackDue_ = true;
    browser_.go(kBlank);
  }
  return true;  // frames stay empty rather than show the control's own error page
}

void NewsEvents::documentComplete(const std::string& address, bool topLevel) {
  if (!topLevel || !fallbackDue_ || !isBlank(address)) return;
  fallbackDue_ = false;
  browser_.writePage(fallbackPageHtml(fallbackText_));
}

}  // namespace ui
