#include "ui/headless/headless_backend.h"

#include <sstream>
#include <vector>

#include "ui/component_names.h"

namespace ui {

namespace {

const char* pictureName(Picture p) {
  switch (p) {
    case Picture::StatusOffline: return "offline";
    case Picture::StatusOnline: return "online";
    case Picture::ZoneField: return "zone-field";
    case Picture::None: break;
  }
  return "none";
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "\"" + s + "\"" at -O3.
std::string quoted(const std::string& s) {
  std::string q;
  q.reserve(s.size() + 2);
  q += '"';
  q += s;
  q += '"';
  return q;
}

std::string taskbarText(const WindowProps& p) {
  std::string percent = std::to_string(p.taskbarPercent) + "%";
  switch (p.taskbarState) {
    case TaskbarState::Normal: return "taskbar progress " + percent;
    case TaskbarState::Error: return "taskbar progress " + percent + " error";
    case TaskbarState::None: break;
  }
  return "taskbar progress cleared";
}

std::string rgbText(Rgb c) {
  return "(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")";
}

// One menu on one line: entries in brackets as id, text and state, submenus nested in braces.
std::string menuText(const Menu& menu, const std::function<std::string(const std::string&)>& shown) {
  std::string out;
  for (const MenuItem& item : menu) {
    if (!out.empty()) out += ' ';
    if (item.separator) {
      out += '|';
      continue;
    }
    out += '[';
    if (item.submenu.empty()) out += std::to_string(item.id) + ' ';
    out += quoted(shown(item.text));
    if (item.checked) out += " checked";
    if (!item.enabled) out += " disabled";
    if (!item.submenu.empty()) out += " {" + menuText(item.submenu, shown) + "}";
    out += ']';
  }
  return out;
}

// "verb N" with N a whole number that fits an int; false otherwise.
bool numberAfter(const std::string& line, const char* verb, int& number) {
  std::istringstream in(line);
  std::string word, extra;
  long long n = 0;
  if (!(in >> word) || word != verb || !(in >> n) || (in >> extra)) return false;
  if (n < -2147483647LL || n > 2147483647LL) return false;
  number = static_cast<int>(n);
  return true;
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

}  // namespace

HeadlessBackend::HeadlessBackend(Window& window, platform::Platform& platform, HeadlessOptions options,
                                 std::FILE* out)
    : window_(window), platform_(platform), options_(std::move(options)), out_(out) {}

std::string HeadlessBackend::shown(const std::string& bytes) const {
  return platform_.system.toUtf8(bytes, text::displayCodePage(window_.display()));
}

void HeadlessBackend::print(const std::string& name, const std::string& value) {
  std::lock_guard lock(printMutex_);
  std::fprintf(out_, "%s: %s\n", platform_.system.toUtf8(name, 936).c_str(), value.c_str());
  std::fflush(out_);
}

void HeadlessBackend::apply(const Component& c, Change change) {
  switch (change) {
    case Change::Caption: print(c.name, quoted(shown(c.caption))); break;
    case Change::Color: print(c.name, "colour " + rgbText(c.color)); break;
    case Change::Picture: print(c.name, std::string("picture ") + pictureName(c.picture)); break;
    case Change::Visible: print(c.name, c.visible ? "shown" : "hidden"); break;
    case Change::Enabled: print(c.name, c.enabled ? "enabled" : "disabled"); break;
    case Change::Position: print(c.name, "position " + std::to_string(c.position)); break;
    case Change::Items:
      print(c.name, c.items.empty() ? "items cleared" : "item added " + quoted(shown(c.items.back())));
      break;
    case Change::Selection: print(c.name, "selection " + std::to_string(c.selection)); break;
    case Change::Address: print(c.name, "address " + c.address); break;
    case Change::Interval: {
      std::lock_guard lock(mutex_);
      if (c.interval > 0)
        timers_[c.name] = {c.interval, Clock::now() + std::chrono::milliseconds(c.interval)};
      else
        timers_.erase(c.name);
      break;
    }
    default: break;
  }
}

void HeadlessBackend::applyWindow(const WindowProps& p, Change change) {
  switch (change) {
    case Change::Title: print("window", "title " + quoted(shown(p.title))); break;
    case Change::WindowVisible:
      print("window", p.visible ? "shown" : "hidden");
      publishPresence(p.visible);
      break;
    case Change::WindowState: print("window", "state " + std::to_string(p.state)); break;
    case Change::Tray:
      print("window", p.trayInstalled ? "tray icon " + quoted(shown(shownTrayTooltip(p))) : "tray icon removed");
      break;
    case Change::TrayStatus:
      if (p.trayInstalled) print("window", "tray tooltip " + quoted(shown(shownTrayTooltip(p))));
      break;
    case Change::Taskbar: print("window", taskbarText(p)); break;
    case Change::Attention:
      // Only a minimised window has a button worth flashing.
      if (p.state == 2) print("window", "taskbar button flashed");
      break;
    default: break;
  }
}

void HeadlessBackend::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wakeup_.notify_one();
}

void HeadlessBackend::messageBox(const std::string& text) {
  print("message", quoted(shown(text)));
}

bool HeadlessBackend::question(const std::string& text) {
  print("question", quoted(shown(text)) + (options_.answerYes ? " -> yes" : " -> no"));
  return options_.answerYes;
}

void HeadlessBackend::showMenu(const Menu& menu) {
  print("menu", menuText(menu, [this](const std::string& bytes) { return shown(bytes); }));
}

void HeadlessBackend::takeLine(const std::string& line) {
  {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  wake();
}

// One line at a time, each followed by what it queued: a menu a line pops up is printed
// before the next line can choose from it.
void HeadlessBackend::actOnLines() {
  for (;;) {
    std::string line;
    {
      std::lock_guard lock(mutex_);
      if (lines_.empty()) return;
      line = std::move(lines_.front());
      lines_.pop_front();
    }
    actOnLine(line);
    window_.pump();
  }
}

bool HeadlessBackend::windowCommand(const std::string& line) {
  int number = 0;
  if (numberAfter(line, "tray", number)) {
    print("input", "tray " + std::to_string(number));
    window_.raiseTray(number);
    return true;
  }
  if (numberAfter(line, "choose", number)) {
    bool taken = window_.raiseMenuChoice(number);
    print("input", taken ? "chose " + std::to_string(number)
                         : "choose " + std::to_string(number) + ": no such entry in the menu shown, ignored");
    return true;
  }
  return false;
}

void HeadlessBackend::actOnLine(const std::string& line) {
  if (blank(line) || windowCommand(line)) return;
  std::optional<std::string> ack;
  if (options_.command) ack = options_.command(line);
  // Printed as UTF-8 already: the line came from the terminal and never was GBK.
  print("input", ack ? *ack : "unknown command " + quoted(line) + ", ignored");
}

void HeadlessBackend::publishPresence(bool visible) {
  platform_.presence.publish(visible, [this] {
    window_.post([this] {
      print("window", "brought forward");
      if (window_.windowProps().state == 2) window_.setWindowState(0);
    });
  });
}

HeadlessBackend::Clock::time_point HeadlessBackend::nextDue() const {
  auto due = Clock::now() + std::chrono::seconds(1);
  for (const auto& [name, timer] : timers_)
    if (timer.second < due) due = timer.second;
  return due;
}

void HeadlessBackend::fireDueTimers() {
  std::vector<std::string> due;
  {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    for (auto& [name, timer] : timers_) {
      if (timer.second > now) continue;
      due.push_back(name);
      timer.second = now + std::chrono::milliseconds(timer.first);
    }
  }
  for (const auto& name : due) window_.raiseTimer(name);
}

// The two big buttons share one rectangle; a press there reaches whichever is on top.
bool HeadlessBackend::pressAutomatically() {
  Rect r = window_.component(names::kButtonStartGame).rect;
  int x = r.left + r.width / 2, y = r.top + r.height / 2;
  Component face = window_.componentAt(x, y);
  bool update = face.name == names::kButtonStartUpdate;
  bool game = face.name == names::kButtonStartGame;
  bool done = options_.configurationDone();
  if (options_.autoUpdate && !pressedUpdate_ && update && face.enabled) {
    pressedUpdate_ = true;
    print("auto", "pressing start-update");
    window_.clickAt(x, y);
    return true;
  }
  // Pressed, no patch worker running, and the button still there: the guard said no, and
  // nothing will change that in this run.
  if (options_.autoUpdate && pressedUpdate_ && done && update && !face.enabled)
    return giveUp("the update was refused", kExitUpdateRefused);
  if (options_.autoStart && done && game && face.enabled) {
    print("auto", "pressing start-game");
    window_.clickAt(x, y);
    return false;
  }
  // The wait for a line to answer counts from the moment nothing else is going on.
  if (!done) startDeadline_.reset();
  if (options_.autoStart && done) {
    if (!startDeadline_) startDeadline_ = Clock::now() + std::chrono::milliseconds(options_.startWaitMs);
    if (Clock::now() >= *startDeadline_)
      return giveUp("start-game was not enabled within " + std::to_string(options_.startWaitMs / 1000) + " s",
                    kExitNoLine);
  }
  // Updating only: the work is over once the configuration has run and no update is pending.
  if (options_.autoUpdate && !options_.autoStart && done && !update) return false;
  return true;
}

bool HeadlessBackend::giveUp(const std::string& why, int code) {
  print("auto", "giving up: " + why + " (exit code " + std::to_string(code) + ")");
  exitCode_ = code;
  return false;
}

bool HeadlessBackend::step() {
  window_.pump();
  fireDueTimers();
  window_.pump();
  actOnLines();
  return pressAutomatically();
}

void HeadlessBackend::run() {
  publishPresence(true);
  window_.raiseCreated();
  while (step()) {
    std::unique_lock lock(mutex_);
    wakeup_.wait_until(lock, nextDue(), [this] { return woken_; });
    woken_ = false;
  }
  window_.pump();  // what was queued before the end still gets printed
}

}  // namespace ui
