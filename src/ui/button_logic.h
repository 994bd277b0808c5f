#pragma once

namespace ui {

// Which of its state images a picture button wants to show.
enum class ButtonFace { Normal, Hover, Pressed, Disabled };

// Which state images a button has; the normal image is always there.
struct ButtonFaceSet {
  bool hover = false;
  bool pressed = false;
  bool disabled = false;
};

// The image actually drawn for a face: a missing hover, pressed or disabled image leaves
// the normal one shown.
ButtonFace drawnFace(ButtonFace face, ButtonFaceSet available);

// The mouse rule of one picture button, free of any window system. A backend feeds it the
// pointer events it sees for the button, holds the mouse capture while capturing() is
// true, redraws when an effect says so and raises clicked when an effect says so.
class ButtonLogic {
 public:
  struct Effect {
    bool redraw = false;
    bool click = false;
  };

  // Left button pressed; `inside` tells whether over this button.
  Effect press(bool inside);
  // Pointer moved; `held` tells whether the left button is down.
  Effect move(bool inside, bool held);
  // Left button released.
  Effect release(bool inside);
  // The pointer left the button without a press in progress, or the capture was taken away.
  Effect leave();
  Effect setEnabled(bool enabled);
  // The button was hidden: forget any press in progress.
  Effect reset();

  ButtonFace face() const { return face_; }
  bool capturing() const { return armed_; }
  bool enabled() const { return enabled_; }

 private:
  Effect show(ButtonFace face);

  bool enabled_ = true;
  bool armed_ = false;  // a press began on this button and has not been released
  ButtonFace face_ = ButtonFace::Normal;
};

}  // namespace ui
