#include "ui/stacking.h"

#include <algorithm>

#include "ui/component_names.h"

namespace ui {

namespace {

int indexOf(const std::vector<const Component*>& components, const char* name) {
  for (size_t i = 0; i < components.size(); ++i)
    if (components[i]->name == name) return static_cast<int>(i);
  return -1;
}

bool onScreen(const Component& c) { return c.kind != Kind::Timer && c.kind != Kind::ClientSocket; }

}  // namespace

std::vector<size_t> stackingOrder(const std::vector<const Component*>& components) {
  std::vector<size_t> order(components.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  int update = indexOf(components, names::kButtonStartUpdate);
  int game = indexOf(components, names::kButtonStartGame);
  if (update < 0 || game < 0 || update > game || !components[static_cast<size_t>(update)]->visible) return order;
  // Lift start-update to just above start-game.
  auto first = order.begin() + update;
  std::rotate(first, first + 1, order.begin() + game + 1);
  return order;
}

int componentAt(const std::vector<const Component*>& components, int x, int y) {
  std::vector<size_t> order = stackingOrder(components);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const Component& c = *components[*it];
    if (c.visible && onScreen(c) && c.rect.contains(x, y)) return static_cast<int>(*it);
  }
  return -1;
}

}  // namespace ui
