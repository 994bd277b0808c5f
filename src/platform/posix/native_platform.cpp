#include "platform/platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_instance.h"
#include "platform/posix/posix_processes.h"
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
  Platform bundle_{system_, files_, processes_, instance_, presence_};
};

}  // namespace

std::unique_ptr<NativePlatform> makeNativePlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace platform
