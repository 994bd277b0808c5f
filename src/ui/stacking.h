#pragma once
#include <cstddef>
#include <vector>

#include "ui/component.h"

namespace ui {

// Drawing order of the components, bottom first: creation order, except that the
// start-update button, while it is visible, lies over the start-game button that shares its
// rectangle. The face the player sees is then the one the click reaches.
std::vector<size_t> stackingOrder(const std::vector<const Component*>& components);

// The topmost visible component with a place on screen that contains (x, y); -1 for none.
int componentAt(const std::vector<const Component*>& components, int x, int y);

}  // namespace ui
