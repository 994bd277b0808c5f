#pragma once
#include <string>
#include <vector>

namespace ui {

// One entry of a popup menu. An entry with a submenu opens it and is never chosen itself.
struct MenuItem {
  int id = 0;        // reported back when chosen; above 0 for every entry that can be chosen
  std::string text;  // GBK, converted for display by whoever builds the menu
  bool checked = false;
  bool enabled = true;
  bool separator = false;
  std::vector<MenuItem> submenu;
};
using Menu = std::vector<MenuItem>;

// The entry with this id that the player may choose (enabled, not a separator nor a submenu
// head, inside enabled submenus only); nullptr when there is none.
const MenuItem* choosableItem(const Menu& menu, int id);

}  // namespace ui
