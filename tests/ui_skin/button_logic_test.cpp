#include <gtest/gtest.h>

#include "ui/button_logic.h"

namespace ui {
namespace {

TEST(ButtonLogic, PressAndReleaseInsideClicksOnce) {
  ButtonLogic b;
  EXPECT_TRUE(b.move(true, false).redraw);
  EXPECT_EQ(b.face(), ButtonFace::Hover);
  b.press(true);
  EXPECT_EQ(b.face(), ButtonFace::Pressed);
  EXPECT_TRUE(b.capturing());
  auto up = b.release(true);
  EXPECT_TRUE(up.click);
  EXPECT_EQ(b.face(), ButtonFace::Normal);
  EXPECT_FALSE(b.capturing());
  EXPECT_FALSE(b.release(true).click);  // a second release without a press
}

TEST(ButtonLogic, ReleaseOutsideDoesNothingButMovingBackRearms) {
  ButtonLogic b;
  b.press(true);
  b.move(false, true);
  EXPECT_EQ(b.face(), ButtonFace::Normal);
  EXPECT_TRUE(b.capturing());  // held: the capture stays so the way back is seen
  b.move(true, true);
  EXPECT_EQ(b.face(), ButtonFace::Pressed);
  EXPECT_TRUE(b.release(true).click);

  b.press(true);
  b.move(false, true);
  EXPECT_FALSE(b.release(false).click);
  EXPECT_EQ(b.face(), ButtonFace::Normal);
}

TEST(ButtonLogic, PressThatBeganElsewhereNeverClicks) {
  ButtonLogic b;
  EXPECT_FALSE(b.press(false).redraw);
  b.move(true, true);
  EXPECT_EQ(b.face(), ButtonFace::Hover);
  EXPECT_FALSE(b.release(true).click);
}

TEST(ButtonLogic, DisabledShowsDisabledAndIgnoresTheMouse) {
  ButtonLogic b;
  b.press(true);
  b.setEnabled(false);
  EXPECT_EQ(b.face(), ButtonFace::Disabled);
  EXPECT_FALSE(b.capturing());
  EXPECT_FALSE(b.press(true).redraw);
  EXPECT_FALSE(b.move(true, false).redraw);
  EXPECT_FALSE(b.release(true).click);
  EXPECT_EQ(b.face(), ButtonFace::Disabled);
  b.setEnabled(true);
  EXPECT_EQ(b.face(), ButtonFace::Normal);
  b.press(true);
  EXPECT_TRUE(b.release(true).click);
}

TEST(ButtonLogic, LeavingOrHidingDropsHoverAndPress) {
  ButtonLogic b;
  b.move(true, false);
  EXPECT_TRUE(b.leave().redraw);
  EXPECT_EQ(b.face(), ButtonFace::Normal);
  b.press(true);
  b.leave();  // capture taken away, e.g. by another window
  EXPECT_FALSE(b.release(true).click);
  b.press(true);
  b.reset();
  EXPECT_FALSE(b.capturing());
  EXPECT_FALSE(b.release(true).click);
}

TEST(ButtonLogic, MissingStateImagesFallBackToNormal) {
  ButtonFaceSet none;
  ButtonFaceSet all{true, true, true};
  for (ButtonFace f : {ButtonFace::Hover, ButtonFace::Pressed, ButtonFace::Disabled}) {
    EXPECT_EQ(drawnFace(f, none), ButtonFace::Normal);
    EXPECT_EQ(drawnFace(f, all), f);
  }
  EXPECT_EQ(drawnFace(ButtonFace::Hover, {false, true, false}), ButtonFace::Normal);
  EXPECT_EQ(drawnFace(ButtonFace::Pressed, {false, true, false}), ButtonFace::Pressed);
}

}  // namespace
}  // namespace ui
