#pragma once
#include <cstdint>
#include <string>

namespace ui {

// Where an address that the announcement view is asked to show goes.
enum class NewsRoute {
  Stay,         // shown in the view
  OpenOutside,  // cancelled in the view and handed to the player's default browser
  Refuse,       // cancelled, and nothing else happens
};

struct NewsRequest {
  std::string target;       // the address as the browser control names it
  bool topLevel = true;     // the view's own page, not a frame inside it
  bool newWindow = false;   // the page asks for a window of its own
  bool userAsked = true;    // a new window that follows a click or key of the player
};

// The view keeps to the site of the page it was pointed at (`home`): the same scheme, host
// (letters of either case) and port, or the https form of an http home on its usual port.
// Other web addresses leave for the default browser when the player could have asked for them
// (the view's own page changing, a window the player opened), and are dropped when a frame or
// a pop-up asks. about:blank, where the view writes its own pages, stays; the page's own
// javascript: links stay in the page. Every other kind of address (file:, res:, vbscript:,
// data:, mail and custom protocols) is refused: none of them is passed to the shell.
NewsRoute routeNewsRequest(const std::string& home, const NewsRequest& request);

// Lets the default browser be started at most once a second, so a page that keeps changing
// its address to other sites cannot open window after window.
class OutsideOpenings {
 public:
  static constexpr uint32_t kSpacingMs = 1000;
  // `nowMs`: a millisecond tick count (it may wrap).
  bool allow(uint32_t nowMs);

 private:
  bool opened_ = false;
  uint32_t lastMs_ = 0;
};

}  // namespace ui
