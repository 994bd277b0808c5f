#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "ui/backend.h"

namespace fakes {

// Records what the window thread was asked to show, and every message box.
struct RecordingBackend : ui::Backend {
  struct Applied {
    std::string name;  // component name, or "window"
    ui::Change change;
    ui::Component component;
    ui::WindowProps window;
  };
  std::mutex mutex;
  std::vector<Applied> applied;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<ui::Menu> menus;  // every menu popped up, in order
  bool answer = false;  // to every question
  int wakes = 0;

  void apply(const ui::Component& c, ui::Change change) override {
    std::lock_guard lock(mutex);
    applied.push_back({c.name, change, c, {}});
  }
  void applyWindow(const ui::WindowProps& p, ui::Change change) override {
    std::lock_guard lock(mutex);
    applied.push_back({"window", change, {}, p});
  }
  void wake() override {
    std::lock_guard lock(mutex);
    ++wakes;
  }
  void showMenu(const ui::Menu& menu) override {
    std::lock_guard lock(mutex);
    menus.push_back(menu);
  }
  void messageBox(const std::string& text) override {
    std::lock_guard lock(mutex);
    messages.push_back(text);
  }
  bool question(const std::string& text) override {
    std::lock_guard lock(mutex);
    questions.push_back(text);
    return answer;
  }
  // The order in which names and changes were shown, as "name/change-number" entries.
  std::vector<std::string> sequence() {
    std::lock_guard lock(mutex);
    std::vector<std::string> out;
    for (const auto& a : applied) out.push_back(a.name + "/" + std::to_string(static_cast<int>(a.change)));
    return out;
  }
};

}  // namespace fakes
