#include "ui/menu.h"

namespace ui {

const MenuItem* choosableItem(const Menu& menu, int id) {
  if (id <= 0) return nullptr;
  for (const MenuItem& item : menu) {
    if (item.separator || !item.enabled) continue;
    if (!item.submenu.empty()) {
      if (const MenuItem* inner = choosableItem(item.submenu, id)) return inner;
      continue;
    }
    if (item.id == id) return &item;
  }
  return nullptr;
}

}  // namespace ui
