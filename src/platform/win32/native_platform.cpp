#include "platform/platform.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_ini.h"
#include "platform/win32/win32_network.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_shortcut.h"
#include "platform/win32/win32_system.h"

namespace platform {

namespace {

class Win32Platform : public NativePlatform {
 public:
  Platform& get() override { return bundle_; }

 private:
  win32::Win32System system_;
  win32::Win32Files files_;
  win32::Win32Processes processes_;
  win32::Win32InstanceMarker instance_;
  win32::Win32WindowPresence presence_;
  win32::Win32HttpClient http_;
  win32::Win32Network network_;
  win32::Win32Registry registry_;
  win32::Win32Shell shell_;
  win32::Win32Ini ini_;
  win32::Win32ShortcutObject shortcuts_;
  win32::Win32ProcessStarter starter_;
  Platform bundle_{system_, files_, processes_, instance_, presence_, http_, network_,
                   registry_, shell_, ini_, shortcuts_, starter_};
};

}  // namespace

std::unique_ptr<NativePlatform> makeNativePlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace platform
