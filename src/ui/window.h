#pragma once
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "text/display_language.h"
#include "ui/backend.h"
#include "ui/component.h"
#include "ui/menu.h"

namespace ui {

// Handlers bound to the window's events. Each runs on the window thread.
struct Events {
  std::function<void()> created;
  std::function<void(int operation)> tray;
  std::function<void(int id)> menuChosen;  // the player chose this entry of the popup menu
  std::function<void()> destroying;
  std::function<void()> socketData;       // client socket: data arrived
  std::function<void()> serverSelected;   // combo box: the player confirmed a list item
  std::map<std::string, std::function<void()>> clicked;  // picture buttons, by name
  std::map<std::string, std::function<void()>> tick;     // timers, by name
};

// The model of the one window: every component operation may be called from any thread.
// The model changes at once, under its lock, so readers see every earlier write; the
// backend is told on the window thread, in call order.
class Window {
 public:
  explicit Window(text::DisplayCode display);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void attach(Backend* backend);
  void attachSocketDriver(SocketDriver* driver);
  Events& events() { return events_; }
  text::DisplayCode display() const { return display_; }

  // Component operations.
  void setCaption(const std::string& name, const std::string& text);
  void setColor(const std::string& name, Rgb color);
  void setPicture(const std::string& name, Picture picture);
  void setVisible(const std::string& name, bool visible);
  void setEnabled(const std::string& name, bool enabled);
  void setPosition(const std::string& name, int position);
  void setInterval(const std::string& name, int milliseconds);
  void clearItems(const std::string& name);
  void addItem(const std::string& name, const std::string& text);
  int selection(const std::string& name) const;
  void setSelection(const std::string& name, int index);
  void navigate(const std::string& name, const std::string& address);
  void connect(const std::string& name, const std::string& host, int port);
  void disconnect(const std::string& name);
  std::string takeReceived(const std::string& name);

  // Window operations.
  void setTitle(const std::string& text);
  void setWindowVisible(bool visible);
  void setWindowState(int state);
  void setTray(bool installed, const std::string& tooltip);
  // A tooltip that stands in for the tray icon's own while not empty; cut like it, but never
  // inside a two-byte character.
  void setTrayStatus(const std::string& text);
  // The taskbar button's progress; a repeat of what is shown changes nothing.
  void setTaskbarProgress(TaskbarState state, int percent);
  // Draws the player's attention to a minimised window: its taskbar button flashes once.
  void requestAttention();
  // Pops up a menu; it replaces any menu shown before as the one whose choices count.
  void showMenu(Menu menu);
  void messageBox(const std::string& text);
  // A message box asking yes or no; false as well when no backend can ask.
  bool question(const std::string& text);

  // Reading the model.
  Component component(const std::string& name) const;
  // The topmost visible component at a point of the window, as drawn; empty name for none.
  Component componentAt(int x, int y) const;
  std::vector<Component> components() const;
  WindowProps windowProps() const;

  // The queue of the window thread.
  void post(std::function<void()> task);
  // Runs every queued task on the calling thread, which thereby acts as the window thread.
  // Returns the number of tasks run.
  int pump();
  bool hasPending() const;

  // Events raised by a backend on the window thread.
  void raiseCreated();
  void raiseTray(int operation);
  void raiseDestroying();
  void raiseClick(const std::string& name);  // ignored for hidden or disabled buttons
  // A click at a point of the window reaches only the topmost component there; the name of
  // the button that took it, empty when none did (a disabled button on top takes none).
  std::string clickAt(int x, int y);
  void raiseTimer(const std::string& name);
  void raiseSelected(const std::string& name, int index);  // the player picked an item
  // The player chose entry `id` of the menu shown last. An id that menu does not offer
  // (disabled, a separator, no menu shown) raises nothing; a menu is chosen from once.
  // True when the choice was delivered.
  bool raiseMenuChoice(int id);
  // Any thread: bytes arrived on the client socket; data-arrived is raised on the window thread.
  void receiveSocketData(const std::string& bytes);
  // Any thread: bytes are waiting in the client socket's driver, read when the handler takes them.
  void socketDataArrived();

  // Longest time one event handler took on the window thread, in microseconds.
  long long longestHandlerMicros() const;

 private:
  template <typename Edit>
  void edit(const std::string& name, Change change, Edit&& apply);
  // `apply` returns false when it changed nothing: then nothing is redrawn.
  void editWindow(Change change, const std::function<bool(WindowProps&)>& apply);
  Component* find(const std::string& name);
  const Component* find(const std::string& name) const;
  void runHandler(const std::function<void()>& handler);

  text::DisplayCode display_;
  mutable std::mutex mutex_;
  std::vector<Component> components_;
  WindowProps props_;
  std::string received_;
  Menu menu_;  // the menu shown last, until a choice is made from it
  std::deque<std::function<void()>> queue_;
  Backend* backend_ = nullptr;
  SocketDriver* socket_ = nullptr;
  Events events_;
  long long longestHandlerMicros_ = 0;
};

}  // namespace ui
