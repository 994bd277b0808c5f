#pragma once
#include <memory>

#include "platform/files.h"
#include "platform/http_client.h"
#include "platform/ini.h"
#include "platform/instance.h"
#include "platform/network.h"
#include "platform/process_starter.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shortcut.h"
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
  HttpClient& http;
  Network& network;
  Registry& registry;
  Shell& shell;
  Ini& ini;
  ShortcutObject& shortcuts;
  ProcessStarter& starter;
};

// Owns the native implementation of every area for the lifetime of the program.
class NativePlatform {
 public:
  virtual ~NativePlatform() = default;
  virtual Platform& get() = 0;
};

std::unique_ptr<NativePlatform> makeNativePlatform();

}  // namespace platform
