#include "ui/component.h"
#include "ui/component_names.h"

namespace ui {

namespace {

Component make(const char* name, Kind kind, Rect rect) {
  Component c;
  c.name = name;
  c.kind = kind;
  c.rect = rect;
  return c;
}

Component label(const char* name, Rect rect, Rgb color) {
  Component c = make(name, Kind::TransparentLabel, rect);
  c.color = color;
  return c;
}

Component button(const char* name, Rect rect) { return make(name, Kind::PictureButton, rect); }

}  // namespace

std::vector<Component> initialComponents() {
  using namespace names;
  std::vector<Component> t;
  t.push_back(make(kClient1, Kind::ClientSocket, {}));
  t.push_back(label(kLabelProgressPercent, {940, 597, 30, 16}, {0, 0, 255}));
  t.push_back(make(kTimerSaveTaskAndSpeed, Kind::Timer, {}));
  t.push_back(make(kTimerProgress, Kind::Timer, {}));
  t.push_back(label(kLabelPing, {571, 691, 56, 16}, {0, 224, 128}));
  t.push_back(label(kLabelLatencyCaption, {513, 691, 30, 16}, {255, 0, 0}));
  t.push_back(make(kProgressBar, Kind::ProgressBar, {377, 616, 593, 5}));
  t.push_back(make(kLabelProgressStrip, Kind::Label, {0, 723, 0, 3}));
  Component web = make(kWebView, Kind::WebView, {370, 44, 610, 412});
  web.tabStop = true;
  t.push_back(web);
  Component zone = make(kPictureZone, Kind::PictureBox, {512, 633, 208, 32});
  zone.picture = Picture::ZoneField;
  t.push_back(zone);
  Component combo = make(kComboZone, Kind::ComboBox, {512, 665, 206, 20});
  combo.color = {255, 0, 0};
  t.push_back(combo);
  Component version = label(kLabelVersion, {860, 707, 142, 16}, {192, 192, 192});
  version.caption = "LAUNCHER VER:1.0.0";
  t.push_back(version);
  Component status = make(kPictureStatus, Kind::PictureBox, {548, 691, 16, 16});
  status.picture = Picture::StatusOffline;
  t.push_back(status);
  t.push_back(button(kButtonHome, {369, 545, 82, 40}));
  t.push_back(button(kButtonForum, {461, 545, 82, 40}));
  t.push_back(button(kButtonRegister, {552, 545, 148, 40}));
  t.push_back(button(kButtonQQGroup, {708, 545, 154, 40}));
  t.push_back(button(kButtonRecharge, {870, 545, 102, 40}));
  t.push_back(button(kButtonHelp1, {368, 460, 148, 77}));
  t.push_back(button(kButtonHelp2, {523, 460, 148, 77}));
  t.push_back(button(kButtonHelp3, {678, 460, 148, 77}));
  t.push_back(button(kButtonHelp4, {832, 460, 148, 77}));
  t.push_back(button(kButtonClose, {958, 11, 15, 16}));
  t.push_back(button(kButtonMinimise, {934, 11, 15, 16}));
  t.push_back(label(kLabelUpdateInfo, {377, 597, 535, 16}, {255, 0, 0}));
  Component startUpdate = button(kButtonStartUpdate, {805, 630, 148, 72});
  startUpdate.visible = false;
  t.push_back(startUpdate);
  Component startGame = button(kButtonStartGame, {805, 630, 148, 72});
  startGame.enabled = false;
  t.push_back(startGame);
  return t;
}

}  // namespace ui
