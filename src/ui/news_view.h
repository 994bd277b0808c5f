#pragma once
#include <cstdint>
#include <string>

#include "ui/news_navigation.h"

namespace ui {

// What the announcement view's browser control is asked to do. Addresses and pages are UTF-8.
class NewsBrowser {
 public:
  virtual ~NewsBrowser() = default;
  virtual void go(const std::string& address) = 0;
  // Replaces the document now shown (about:blank) with `html`.
  virtual void writePage(const std::string& html) = 0;
  // Hands an address to the player's default browser.
  virtual void openOutside(const std::string& address) = 0;
  virtual uint32_t nowMs() = 0;
};

// The view's answers to the events of its browser control, on the window thread. The view
// keeps to the site of the page it was pointed at (routeNewsRequest); a page of that site
// that cannot be loaded is replaced by a plain page of the view's own with `fallbackText`.
class NewsEvents {
 public:
  NewsEvents(NewsBrowser& browser, std::string fallbackText)
      : browser_(browser), fallbackText_(std::move(fallbackText)) {}

  // Points the view at its page, which sets the site it keeps to.
  void navigate(const std::string& home);
  // Each returns true to cancel what the control was about to do.
  bool beforeNavigate(const std::string& address, bool topLevel);
  bool newWindow(const std::string& address, bool userAsked);
  bool navigateError(const std::string& address, bool topLevel);
  void documentComplete(const std::string& address, bool topLevel);

 private:
  NewsBrowser& browser_;
  std::string fallbackText_;
  std::string home_;
  OutsideOpenings openings_;
  bool fallbackDue_ = false;  // about:blank is loading to carry the fallback page
};

// The plain page shown in place of one that cannot be loaded: `text` (UTF-8) centred, escaped.
std::string fallbackPageHtml(const std::string& text);

}  // namespace ui
