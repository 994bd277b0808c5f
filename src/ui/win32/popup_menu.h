#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/menu.h"

namespace ui::win32 {

// A popup menu made from the model's entries, destroyed with its submenus.
class PopupMenu {
 public:
  PopupMenu(const Menu& menu, const std::function<std::wstring(const std::string&)>& wide);
  ~PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // Shows the menu at the pointer for `owner` and returns the chosen id, 0 when the player
  // dismissed it. The owner is brought to the foreground first and sent a null message after,
  // so that a click anywhere else closes the menu as it does for every notification icon.
  int track(HWND owner);

 private:
  HMENU menu_ = nullptr;
};

}  // namespace ui::win32
