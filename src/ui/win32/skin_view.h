#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "ui/button_logic.h"
#include "ui/component.h"
#include "ui/win32/gdi_bitmap.h"

namespace ui::win32 {

// What the window thread keeps for one component: the last state the model handed over,
// the drawing resources and, for picture buttons, the mouse rule.
struct ComponentView {
  Component model;
  std::wstring caption;                    // model.caption in UTF-16
  ButtonLogic button;                      // picture buttons
  std::array<const Picture32*, 4> faces{};  // normal, hover, pressed, disabled; null = absent
  const Picture32* picture = nullptr;      // picture boxes
  size_t frame = 0;                        // animated picture: frame shown
  int playsLeft = 0;                       // animated picture: runs still to go, 0 = forever
  HWND child = nullptr;                    // combo box
};

// Drawing resources shared by every component.
struct SkinFonts {
  HFONT gui = nullptr;      // the default GUI font in the texts' character set; null: the stock font
  HFONT version = nullptr;  // bold, 10 px, GB2312
  HFONT combo = nullptr;    // SimSun 12 px
};

// Draws the whole client area (background, labels, progress bar, pictures, buttons) into dc.
// Draws the views in `order`, bottom first.
void paintSkin(HDC dc, SIZE client, const Picture32& background, const std::vector<ComponentView>& views,
               const std::vector<size_t>& order, const SkinFonts& fonts);

// The rectangle that must be repainted when a component changes; labels draw unclipped,
// so theirs reaches past the component.
RECT dirtyRect(const ComponentView& view);

// A pointer press on a component that lets presses through moves the window.
bool draggable(const ComponentView& view);

}  // namespace ui::win32
