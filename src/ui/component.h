#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

enum class Kind {
  ClientSocket,
  TransparentLabel,
  Timer,
  ProgressBar,
  Label,
  WebView,
  PictureBox,
  ComboBox,
  PictureButton,
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// Which image a picture box or picture button shows; the backend maps these to embedded artwork.
enum class Picture {
  None,
  StatusOffline,  // 12 x 13 PNG with alpha
  StatusOnline,   // 12 x 13 animated GIF, 5 frames
  ZoneField,      // 206 x 35 JPEG above the combo box
};

// One component of the window, as the rest of the program sees it. Texts are GBK bytes,
// already passed through the display conversion by whoever set them.
struct Component {
  std::string name;  // GBK
  Kind kind = Kind::Label;
  Rect rect;
  bool visible = true;
  bool enabled = true;
  bool tabStop = false;
  std::string caption;
  Rgb color;
  Picture picture = Picture::None;
  int position = 0;     // progress bar, 0-100
  int interval = 0;     // timers, ms; 0 is stopped
  std::vector<std::string> items;
  int selection = -1;   // combo box
  std::string address;  // web view
};

// The 27 components in creation order, with their initial states.
std::vector<Component> initialComponents();

}  // namespace ui
