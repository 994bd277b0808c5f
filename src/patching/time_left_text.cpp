#include "patching/time_left_text.h"

#include "patching/patch_texts.h"

namespace patching {

namespace {

struct Parts {
  int64_t hours;
  int64_t minutes;
  int64_t seconds;
};

Parts split(int64_t seconds) { return {seconds / 3600, seconds / 60 % 60, seconds % 60}; }

}  // namespace

std::string timeLeftText(int64_t seconds) {
  if (seconds <= 0) return {};
  Parts p = split(seconds);
  std::string text = texts::kTimeLeftAbout;
  if (p.hours > 0) {
    text += std::to_string(p.hours) + texts::kHours;
    if (p.minutes > 0) text += std::to_string(p.minutes) + texts::kMinutes;
  } else if (p.minutes > 0 && p.seconds > 0) {
    text += std::to_string(p.minutes) + texts::kMinutesAnd + std::to_string(p.seconds) + texts::kSeconds;
  } else if (p.minutes > 0) {
    text += std::to_string(p.minutes) + texts::kMinutes;
  } else {
    text += std::to_string(p.seconds) + texts::kSeconds;
  }
  return text;
}

std::string timeLeftLogText(int64_t seconds) {
  if (seconds <= 0) return {};
  Parts p = split(seconds);
  std::string text = "about";
  if (p.hours > 0) text += " " + std::to_string(p.hours) + " h";
  if (p.minutes > 0) text += " " + std::to_string(p.minutes) + " min";
  if (p.hours == 0 && p.seconds > 0) text += " " + std::to_string(p.seconds) + " s";
  return text + " left";
}

}  // namespace patching
