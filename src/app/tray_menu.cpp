#include "app/tray_menu.h"

#include <iterator>

#include "app/remembered_limit.h"
#include "app/tray_texts.h"

namespace app {

namespace {

constexpr int64_t kKiB = 1024;

struct Preset {
  int id;
  int64_t limit;
  const char* text;  // GBK
};
constexpr Preset kPresets[] = {
    {kChoiceNoLimit, 0, texts::kNoLimit},
    {kChoiceLimit500K, 500 * kKiB, "500 KB/s"},
    {kChoiceLimit1M, 1024 * kKiB, "1 MB/s"},
    {kChoiceLimit2M, 2 * 1024 * kKiB, "2 MB/s"},
    {kChoiceLimit5M, 5 * 1024 * kKiB, "5 MB/s"},
};

ui::MenuItem entry(int id, const std::string& text) {
  ui::MenuItem item;
  item.id = id;
  item.text = text;
  return item;
}

ui::MenuItem separator() {
  ui::MenuItem item;
  item.separator = true;
  return item;
}

// A limit set some other way (the command line): shown so that the player sees why none of
// the presets is checked. Rounded up so that a small limit never reads as 0 KB/s.
ui::MenuItem otherLimit(int64_t limit) {
  ui::MenuItem item = entry(0, std::string(texts::kOtherLimit) + std::to_string((limit + kKiB - 1) / kKiB) + " KB/s");
  item.checked = true;
  item.enabled = false;
  return item;
}

ui::MenuItem limitSubmenu(int64_t current, text::DisplayCode display) {
  ui::MenuItem head = entry(0, text::convertForDisplay(display, texts::kSpeedLimit));
  bool matched = false;
  for (const Preset& p : kPresets) {
    ui::MenuItem item = entry(p.id, text::convertForDisplay(display, p.text));
    item.checked = p.limit == current;
    matched = matched || item.checked;
    head.submenu.push_back(item);
  }
  if (!matched) {
    ui::MenuItem other = otherLimit(current);
    other.text = text::convertForDisplay(display, other.text);
    head.submenu.push_back(other);
  }
  return head;
}

}  // namespace

int64_t presetLimit(int id) {
  for (const Preset& p : kPresets)
    if (p.id == id) return p.limit;
  return -1;
}

ui::Menu trayMenu(PlayerControls& controls, text::DisplayCode display) {
  ui::Menu menu;
  menu.push_back(limitSubmenu(controls.speedLimit(), display));
  if (controls.downloadRunning()) {
    menu.push_back(separator());
    bool paused = controls.downloadsPaused();
    menu.push_back(entry(paused ? kChoiceResume : kChoicePause,
                         text::convertForDisplay(display, paused ? texts::kResume : texts::kPause)));
  }
  menu.push_back(separator());
  ui::MenuItem repair = entry(kChoiceRepair, text::convertForDisplay(display, texts::kRepair));
  repair.enabled = controls.repairPossible();
  menu.push_back(repair);
  return menu;
}

bool choosePlayerLimit(PlayerControls& controls, platform::Registry& registry, int64_t bytesPerSecond) {
  controls.setSpeedLimit(bytesPerSecond);
  return rememberSpeedLimit(registry, bytesPerSecond);
}

bool carryOutTrayChoice(PlayerControls& controls, platform::Registry& registry, int id) {
  int64_t limit = presetLimit(id);
  if (limit >= 0) {
    choosePlayerLimit(controls, registry, limit);
    return true;
  }
  switch (id) {
    case kChoicePause: controls.pauseDownloads(); return true;
    case kChoiceResume: controls.resumeDownloads(); return true;
    case kChoiceRepair:
      // The menu may have stood open while an update started.
      if (controls.repairPossible()) controls.startRepair();
      return true;
    default: return false;
  }
}

}  // namespace app
