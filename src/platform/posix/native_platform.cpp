#include "platform/platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_http.h"
#include "platform/posix/posix_ini.h"
#include "platform/posix/posix_instance.h"
#include "platform/posix/posix_network.h"
#include "platform/posix/posix_process_starter.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_shortcut.h"
#include "platform/posix/posix_system.h"

namespace platform {

namespace {

class PosixPlatform : public NativePlatform {
 public:
  Platform& get() override { return bundle_; }

 private:
  posix::PosixSystem system_;
  posix::PosixFiles files_;
  posix::PosixProcesses processes_;
  posix::PosixInstanceMarker instance_;
  posix::PosixWindowPresence presence_;
  posix::PosixHttpClient http_;
  posix::PosixNetwork network_;
  posix::PosixRegistry registry_;
  posix::PosixShell shell_;
  posix::PosixIni ini_;
  posix::PosixShortcutObject shortcuts_;
  posix::PosixProcessStarter starter_;
  Platform bundle_{system_, files_, processes_, instance_, presence_, http_, network_,
                   registry_, shell_, ini_, shortcuts_, starter_};
};

}  // namespace

std::unique_ptr<NativePlatform> makeNativePlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace platform
