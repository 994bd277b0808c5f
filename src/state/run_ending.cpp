#include "state/run_ending.h"

namespace state {

int exitCodeFor(Ending ending, bool headless) {
  if (!headless) return 0;
  switch (ending) {
    case Ending::kUpdateFailed: return kExitUpdateFailed;
    case Ending::kNoManifest: return kExitNoManifest;
    case Ending::kNotClientFolder: return kExitNotClientFolder;
    case Ending::kAsAsked: break;
  }
  return 0;
}

}  // namespace state
