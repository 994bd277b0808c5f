#include "ui/window.h"

#include <algorithm>
#include <chrono>

#include "text/gbk.h"
#include "ui/stacking.h"

namespace ui {

namespace {

constexpr size_t kTooltipLimit = 62;
constexpr const char* kTemplateTitle = "VeskoTalveria\xB5\xC7\xC2\xBC\xC6\xF7";  // VeskoTalveria登录器

}  // namespace

Window::Window(text::DisplayCode display) : display_(display), components_(initialComponents()) {
  props_.title = kTemplateTitle;
}

void Window::attach(Backend* backend) {
  std::lock_guard lock(mutex_);
  backend_ = backend;
}

void Window::attachSocketDriver(SocketDriver* driver) {
  std::lock_guard lock(mutex_);
  socket_ = driver;
}

Component* Window::find(const std::string& name) {
  for (auto& c : components_)
    if (c.name == name) return &c;
  return nullptr;
}

const Component* Window::find(const std::string& name) const {
  for (const auto& c : components_)
    if (c.name == name) return &c;
  return nullptr;
}

// Changes the model under the lock and queues the backend's redraw in the same critical
// section, so redraws reach the window thread in the order the calls were made.
template <typename Edit>
void Window::edit(const std::string& name, Change change, Edit&& apply) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    Component* c = find(name);
    if (!c) return;
    if (!apply(*c)) return;
    backend = backend_;
    if (backend) {
      Component snapshot = *c;
      queue_.push_back([backend, snapshot = std::move(snapshot), change] { backend->apply(snapshot, change); });
    }
  }
  if (backend) backend->wake();
}

void Window::editWindow(Change change, const std::function<bool(WindowProps&)>& apply) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!apply(props_)) return;
    backend = backend_;
    if (backend) {
      WindowProps snapshot = props_;
      queue_.push_back([backend, snapshot = std::move(snapshot), change] { backend->applyWindow(snapshot, change); });
    }
  }
  if (backend) backend->wake();
}

void Window::setCaption(const std::string& name, const std::string& text) {
  edit(name, Change::Caption, [&](Component& c) { c.caption = text; return true; });
}

void Window::setColor(const std::string& name, Rgb color) {
  edit(name, Change::Color, [&](Component& c) { c.color = color; return true; });
}

void Window::setPicture(const std::string& name, Picture picture) {
  edit(name, Change::Picture, [&](Component& c) { c.picture = picture; return true; });
}

void Window::setVisible(const std::string& name, bool visible) {
  edit(name, Change::Visible, [&](Component& c) { c.visible = visible; return true; });
}

void Window::setEnabled(const std::string& name, bool enabled) {
  edit(name, Change::Enabled, [&](Component& c) { c.enabled = enabled; return true; });
}

void Window::setPosition(const std::string& name, int position) {
  edit(name, Change::Position, [&](Component& c) { c.position = position; return true; });
}

void Window::setInterval(const std::string& name, int milliseconds) {
  edit(name, Change::Interval, [&](Component& c) { c.interval = milliseconds < 0 ? 0 : milliseconds; return true; });
}

void Window::clearItems(const std::string& name) {
  edit(name, Change::Items, [&](Component& c) {
    c.items.clear();
    c.selection = -1;
    return true;
  });
}

void Window::addItem(const std::string& name, const std::string& text) {
  edit(name, Change::Items, [&](Component& c) { c.items.push_back(text); return true; });
}

int Window::selection(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Component* c = find(name);
  return c ? c->selection : -1;
}

void Window::setSelection(const std::string& name, int index) {
  edit(name, Change::Selection, [&](Component& c) {
    int last = static_cast<int>(c.items.size()) - 1;
    c.selection = index < 0 ? -1 : (index > last ? last : index);
    return true;
  });
}

void Window::navigate(const std::string& name, const std::string& address) {
  edit(name, Change::Address, [&](Component& c) { c.address = address; return true; });
}

void Window::connect(const std::string& name, const std::string& host, int port) {
  SocketDriver* driver = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!find(name)) return;
    received_.clear();
    driver = socket_;
  }
  if (driver) driver->connect(host, port);
}

void Window::disconnect(const std::string& name) {
  SocketDriver* driver = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!find(name)) return;
    driver = socket_;
  }
  if (driver) driver->disconnect();
}

std::string Window::takeReceived(const std::string& name) {
  std::string bytes;
  SocketDriver* driver = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!find(name)) return {};
    bytes.swap(received_);
    driver = socket_;
  }
  // Outside the lock: the driver reports arrivals while holding its own lock.
  if (driver) bytes += driver->take();
  return bytes;
}

void Window::receiveSocketData(const std::string& bytes) {
  {
    std::lock_guard lock(mutex_);
    received_ += bytes;
  }
  socketDataArrived();
}

void Window::socketDataArrived() {
  post([this] { runHandler(events_.socketData); });
}

void Window::setTitle(const std::string& text) {
  editWindow(Change::Title, [&](WindowProps& p) {
    p.title = text;
    return true;
  });
}

void Window::setWindowVisible(bool visible) {
  editWindow(Change::WindowVisible, [&](WindowProps& p) {
    p.visible = visible;
    return true;
  });
}

void Window::setWindowState(int state) {
  editWindow(Change::WindowState, [&](WindowProps& p) {
    p.state = state;
    return true;
  });
}

void Window::setTray(bool installed, const std::string& tooltip) {
  editWindow(Change::Tray, [&](WindowProps& p) {
    p.trayInstalled = installed;
    p.trayTooltip = installed ? tooltip.substr(0, kTooltipLimit) : std::string();
    return true;
  });
}

void Window::setTrayStatus(const std::string& text) {
  std::string cut = text::cutDoubleByte(text, kTooltipLimit);
  editWindow(Change::TrayStatus, [&](WindowProps& p) {
    if (p.trayStatus == cut) return false;
    p.trayStatus = cut;
    return true;
  });
}

void Window::setTaskbarProgress(TaskbarState state, int percent) {
  percent = state == TaskbarState::None ? 0 : std::clamp(percent, 0, 100);
  editWindow(Change::Taskbar, [&](WindowProps& p) {
    if (p.taskbarState == state && p.taskbarPercent == percent) return false;
    p.taskbarState = state;
    p.taskbarPercent = percent;
    return true;
  });
}

void Window::requestAttention() {
  editWindow(Change::Attention, [](WindowProps& p) {
    ++p.attentionRequests;
    return true;
  });
}

void Window::showMenu(Menu menu) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    menu_ = menu;
    backend = backend_;
    if (backend) queue_.push_back([backend, menu = std::move(menu)] { backend->showMenu(menu); });
  }
  if (backend) backend->wake();
}

void Window::messageBox(const std::string& text) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    backend = backend_;
  }
  if (backend) backend->messageBox(text);
}

bool Window::question(const std::string& text) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    backend = backend_;
  }
  return backend && backend->question(text);
}

Component Window::component(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Component* c = find(name);
  return c ? *c : Component{};
}

Component Window::componentAt(int x, int y) const {
  std::lock_guard lock(mutex_);
  std::vector<const Component*> all;
  for (const auto& c : components_) all.push_back(&c);
  int i = ui::componentAt(all, x, y);
  return i < 0 ? Component{} : components_[static_cast<size_t>(i)];
}

std::vector<Component> Window::components() const {
  std::lock_guard lock(mutex_);
  return components_;
}

WindowProps Window::windowProps() const {
  std::lock_guard lock(mutex_);
  return props_;
}

void Window::post(std::function<void()> task) {
  Backend* backend = nullptr;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
    backend = backend_;
  }
  if (backend) backend->wake();
}

int Window::pump() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return ran;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
    ++ran;
  }
}

bool Window::hasPending() const {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

void Window::runHandler(const std::function<void()>& handler) {
  if (!handler) return;
  auto start = std::chrono::steady_clock::now();
  handler();
  auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  std::lock_guard lock(mutex_);
  if (took > longestHandlerMicros_) longestHandlerMicros_ = took;
}

long long Window::longestHandlerMicros() const {
  std::lock_guard lock(mutex_);
  return longestHandlerMicros_;
}

void Window::raiseCreated() { runHandler(events_.created); }

void Window::raiseTray(int operation) {
  if (events_.tray) runHandler([&] { events_.tray(operation); });
}

void Window::raiseDestroying() { runHandler(events_.destroying); }

void Window::raiseClick(const std::string& name) {
  Component c = component(name);
  if (c.name.empty() || !c.visible || !c.enabled) return;
  auto it = events_.clicked.find(name);
  if (it != events_.clicked.end()) runHandler(it->second);
}

std::string Window::clickAt(int x, int y) {
  Component c = componentAt(x, y);
  if (c.kind != Kind::PictureButton || !c.enabled) return {};
  raiseClick(c.name);
  return c.name;
}

void Window::raiseTimer(const std::string& name) {
  // A tick already on its way when another thread stopped the timer is dropped: the progress
  // tick would otherwise write its line over the text that followed the stop.
  if (component(name).interval <= 0) return;
  auto it = events_.tick.find(name);
  if (it != events_.tick.end()) runHandler(it->second);
}

void Window::raiseSelected(const std::string& name, int index) {
  setSelection(name, index);
  runHandler(events_.serverSelected);
}

bool Window::raiseMenuChoice(int id) {
  {
    std::lock_guard lock(mutex_);
    if (!choosableItem(menu_, id)) return false;
    menu_.clear();
  }
  if (events_.menuChosen) runHandler([&] { events_.menuChosen(id); });
  return true;
}

}  // namespace ui
