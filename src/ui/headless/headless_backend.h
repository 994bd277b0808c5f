#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "ui/backend.h"
#include "ui/window.h"

namespace ui {

struct HeadlessOptions {
  bool autoUpdate = false;  // press start-update once it is shown and enabled
  bool autoStart = false;   // press start-game once it is enabled (after any update), then end
  // True once the remote configuration has run to its end and no other worker is busy.
  std::function<bool()> configurationDone = [] { return false; };
  // How long auto-start waits, after the configuration, for a line to answer: the probe's
  // connect time-out and the echo's, with room to spare.
  int startWaitMs = 30000;
  // The answer to every yes/no question: no, so that an unattended run ends instead of
  // asking the system for anything (--answer-yes turns it around).
  bool answerYes = false;
  // Carries out a line of standard input that is not one of the window's own (tray N,
  // choose ID); returns the acknowledgment, or nothing for a line it does not know.
  std::function<std::optional<std::string>(const std::string& line)> command;
};

// Exit codes of a headless run that gives up.
inline constexpr int kExitUpdateRefused = 3;  // start-update was refused: the game is running
inline constexpr int kExitNoLine = 4;         // start-game never became enabled

// The window as a console: every visible change is printed as one line, message boxes are
// printed and dismissed at once, timers tick, and the two big buttons can press themselves.
class HeadlessBackend : public LoopBackend {
 public:
  HeadlessBackend(Window& window, platform::Platform& platform, HeadlessOptions options, std::FILE* out = stdout);

  void apply(const Component& component, Change change) override;
  void applyWindow(const WindowProps& props, Change change) override;
  void wake() override;
  void messageBox(const std::string& text) override;
  bool question(const std::string& text) override;
  // Prints the menu as one line; the player chooses from it with a line "choose ID".
  void showMenu(const Menu& menu) override;
  void run() override;
  // Any thread: a line of standard input, acted on in the window thread's next step. Besides the
  // commands of HeadlessOptions::command: "tray N" raises the tray event with operation N,
  // "choose ID" chooses from the menu shown last.
  void takeLine(const std::string& line);
  int exitCode() const override { return exitCode_; }

  // One turn of the loop, for tests: runs queued tasks and due timers, then the automatic
  // presses. Returns false when the loop would end.
  bool step();

 private:
  using Clock = std::chrono::steady_clock;
  void print(const std::string& name, const std::string& value);
  std::string shown(const std::string& bytes) const;
  void fireDueTimers();
  bool pressAutomatically();
  bool giveUp(const std::string& why, int code);
  Clock::time_point nextDue() const;
  void publishPresence(bool visible);
  void actOnLines();
  void actOnLine(const std::string& line);
  bool windowCommand(const std::string& line);

  Window& window_;
  platform::Platform& platform_;
  HeadlessOptions options_;
  std::FILE* out_;
  std::mutex mutex_;
  std::condition_variable wakeup_;
  bool woken_ = false;
  std::map<std::string, std::pair<int, Clock::time_point>> timers_;
  std::deque<std::string> lines_;  // standard input not yet acted on  // name -> interval, next due
  bool pressedUpdate_ = false;
  std::optional<Clock::time_point> startDeadline_;
  int exitCode_ = 0;
  std::mutex printMutex_;
};

}  // namespace ui
