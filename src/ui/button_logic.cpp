#include "ui/button_logic.h"

namespace ui {

ButtonFace drawnFace(ButtonFace face, ButtonFaceSet available) {
  switch (face) {
    case ButtonFace::Hover: return available.hover ? face : ButtonFace::Normal;
    case ButtonFace::Pressed: return available.pressed ? face : ButtonFace::Normal;
    case ButtonFace::Disabled: return available.disabled ? face : ButtonFace::Normal;
    case ButtonFace::Normal: break;
  }
  return ButtonFace::Normal;
}

ButtonLogic::Effect ButtonLogic::show(ButtonFace face) {
  Effect effect;
  effect.redraw = face != face_;
  face_ = face;
  return effect;
}

ButtonLogic::Effect ButtonLogic::press(bool inside) {
  if (!enabled_ || !inside) return {};
  armed_ = true;
  return show(ButtonFace::Pressed);
}

ButtonLogic::Effect ButtonLogic::move(bool inside, bool held) {
  if (!enabled_) return {};
  if (inside) return show(held && armed_ ? ButtonFace::Pressed : ButtonFace::Hover);
  // Outside with the button still held the press stays armed, so coming back shows it pressed again.
  if (!held) armed_ = false;
  return show(ButtonFace::Normal);
}

ButtonLogic::Effect ButtonLogic::release(bool inside) {
  bool wasArmed = armed_;
  armed_ = false;
  if (!enabled_) return {};
  Effect effect = show(ButtonFace::Normal);
  // Only a press that began here clicks: a press elsewhere dragged over the button does not.
  effect.click = wasArmed && inside;
  return effect;
}

ButtonLogic::Effect ButtonLogic::leave() {
  armed_ = false;
  if (!enabled_) return {};
  return show(ButtonFace::Normal);
}

ButtonLogic::Effect ButtonLogic::setEnabled(bool enabled) {
  enabled_ = enabled;
  armed_ = false;
  return show(enabled ? ButtonFace::Normal : ButtonFace::Disabled);
}

ButtonLogic::Effect ButtonLogic::reset() {
  armed_ = false;
  return show(enabled_ ? ButtonFace::Normal : ButtonFace::Disabled);
}

}  // namespace ui
