#pragma once
#include "platform/shortcut.h"

struct IDispatch;

namespace platform::win32 {

// Holds the process-wide shell-scripting object (WScript.Shell), created once with the
// platform before the window exists and released with it. Used from the thread that
// created it.
class Win32ShortcutObject : public ShortcutObject {
 public:
  Win32ShortcutObject();
  ~Win32ShortcutObject() override;
  Win32ShortcutObject(const Win32ShortcutObject&) = delete;
  Win32ShortcutObject& operator=(const Win32ShortcutObject&) = delete;

  bool readLink(const std::string& path, LinkShortcut& link) override;

 private:
  bool comStarted_ = false;
  IDispatch* shell_ = nullptr;  // empty when the object could not be created
};

}  // namespace platform::win32
