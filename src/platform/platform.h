#pragma once
#include <memory>

#include "platform/files.h"
#include "platform/instance.h"
#include "platform/processes.h"
#include "platform/system.h"

namespace platform {

// The operating system as the launcher's logic sees it: one reference per area.
// Tests build one from fakes; the program builds one from the native implementations.
struct Platform {
  System& system;
  Files& files;
  Processes& processes;
  InstanceMarker& instance;
  WindowPresence& presence;
};

// Owns the native implementation of every area for the lifetime of the program.
class NativePlatform {
 public:
  virtual ~NativePlatform() = default;
  virtual Platform& get() = 0;
};

std::unique_ptr<NativePlatform> makeNativePlatform();

}  // namespace platform
