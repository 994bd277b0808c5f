// The tray menu: which entries show, which are checked or enabled, and what a choice does.
#include "app/tray_menu.h"

#include <gtest/gtest.h>

#include "app/remembered_limit.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_services.h"

namespace {

// A menu as one line: "id:text" with *checked and ~disabled marks, "-" for a separator,
// "text{...}" for a submenu. GBK texts are written here in their converted form.
std::string layout(const ui::Menu& menu) {
  std::string out;
  for (const ui::MenuItem& item : menu) {
    if (!out.empty()) out += " ";
    if (item.separator) {
      out += "-";
      continue;
    }
    if (item.submenu.empty()) out += std::to_string(item.id) + ":";
    out += item.text;
    if (item.checked) out += "*";
    if (!item.enabled) out += "~";
    if (!item.submenu.empty()) out += "{" + layout(item.submenu) + "}";
  }
  return out;
}

const std::string kLimits = "\xCF\xC2\xD4\xD8\xCF\xDE\xCB\xD9";  // 下载限速
const std::string kNone = "\xB2\xBB\xCF\xDE\xCB\xD9";            // 不限速
const std::string kPause = "\xD4\xDD\xCD\xA3\xCF\xC2\xD4\xD8";   // 暂停下载
const std::string kResume = "\xBC\xCC\xD0\xF8\xCF\xC2\xD4\xD8";  // 继续下载
const std::string kRepair = "\xBC\xEC\xB2\xE9\xB2\xA2\xD0\xDE\xB8\xB4\xBF\xCD\xBB\xA7\xB6\xCB";  // 检查并修复客户端
const std::string kOther = "\xB5\xB1\xC7\xB0\xCF\xDE\xCB\xD9 ";  // 当前限速

TEST(TrayMenu, ShowsWhatTheStateAllows) {
  struct Case {
    int64_t limit;
    bool running, paused, repair;
    std::string presets;  // the submenu
    std::string rest;     // after it
  } cases[] = {
      {0, false, false, true, "1:" + kNone + "* 2:500 KB/s 3:1 MB/s 4:2 MB/s 5:5 MB/s", "- 30:" + kRepair},
      {512000, true, false, false, "1:" + kNone + " 2:500 KB/s* 3:1 MB/s 4:2 MB/s 5:5 MB/s",
       "- 20:" + kPause + " - 30:" + kRepair + "~"},
      {1048576, true, true, false, "1:" + kNone + " 2:500 KB/s 3:1 MB/s* 4:2 MB/s 5:5 MB/s",
       "- 21:" + kResume + " - 30:" + kRepair + "~"},
      {2097152, false, false, true, "1:" + kNone + " 2:500 KB/s 3:1 MB/s 4:2 MB/s* 5:5 MB/s", "- 30:" + kRepair},
      {5242880, false, false, true, "1:" + kNone + " 2:500 KB/s 3:1 MB/s 4:2 MB/s 5:5 MB/s*", "- 30:" + kRepair},
      // A limit from the command line that is no preset: shown, checked, not choosable; rounded up.
      {300000, false, false, true,
       "1:" + kNone + " 2:500 KB/s 3:1 MB/s 4:2 MB/s 5:5 MB/s 0:" + kOther + "293 KB/s*~", "- 30:" + kRepair},
      {1, false, false, true, "1:" + kNone + " 2:500 KB/s 3:1 MB/s 4:2 MB/s 5:5 MB/s 0:" + kOther + "1 KB/s*~",
       "- 30:" + kRepair},
      // 1000 KB/s is not 1 MB/s: the units are of 1024.
      {1024000, false, false, true,
       "1:" + kNone + " 2:500 KB/s 3:1 MB/s 4:2 MB/s 5:5 MB/s 0:" + kOther + "1000 KB/s*~", "- 30:" + kRepair},
  };
  for (const Case& c : cases) {
    fakes::FakeControls controls;
    controls.limit = c.limit;
    controls.running = c.running;
    controls.paused = c.paused;
    controls.repairAllowed = c.repair;
    ui::Menu menu = app::trayMenu(controls, text::DisplayCode::SC);
    EXPECT_EQ(layout(menu), kLimits + "{" + c.presets + "} " + c.rest) << c.limit;
    EXPECT_TRUE(controls.calls.empty()) << "building the menu changed something";
  }
}

TEST(TrayMenu, TextsAreConvertedForTheDisplayLanguage) {
  fakes::FakeControls controls;
  ui::Menu sc = app::trayMenu(controls, text::DisplayCode::SC);
  ui::Menu tc = app::trayMenu(controls, text::DisplayCode::TC);
  ASSERT_EQ(sc.size(), tc.size());
  EXPECT_EQ(tc.back().text, text::convertForDisplay(text::DisplayCode::TC, kRepair));
  EXPECT_NE(tc.back().text, sc.back().text);  // BIG5 bytes, not the GBK ones
  EXPECT_EQ(tc[0].submenu[1].text, "500 KB/s");
}

TEST(TrayMenu, AChoiceReachesTheControlsAndALimitIsRemembered) {
  struct Case {
    int id;
    bool running;
    bool repair;
    std::vector<std::string> calls;
    int64_t remembered;  // -1: nothing written
    bool known;
  } cases[] = {
      {app::kChoiceNoLimit, false, true, {"limit 0"}, 0, true},
      {app::kChoiceLimit500K, false, true, {"limit 512000"}, 512000, true},
      {app::kChoiceLimit1M, true, true, {"limit 1048576"}, 1048576, true},
      {app::kChoiceLimit2M, true, true, {"limit 2097152"}, 2097152, true},
      {app::kChoiceLimit5M, false, true, {"limit 5242880"}, 5242880, true},
      {app::kChoicePause, true, true, {"pause"}, -1, true},
      {app::kChoiceResume, true, true, {"resume"}, -1, true},
      {app::kChoiceRepair, false, true, {"repair"}, -1, true},
      // The menu stood open while an update started: the repair no longer starts.
      {app::kChoiceRepair, true, false, {}, -1, true},
      {0, false, true, {}, -1, false},
      {6, false, true, {}, -1, false},
  };
  for (const Case& c : cases) {
    fakes::FakeControls controls;
    controls.running = c.running;
    controls.repairAllowed = c.repair;
    fakes::FakeRegistry registry;
    EXPECT_EQ(app::carryOutTrayChoice(controls, registry, c.id), c.known) << c.id;
    EXPECT_EQ(controls.calls, c.calls) << c.id;
    std::optional<int64_t> kept = app::rememberedSpeedLimit(registry);
    EXPECT_EQ(kept.value_or(-1), c.remembered) << c.id;
  }
}

}  // namespace
