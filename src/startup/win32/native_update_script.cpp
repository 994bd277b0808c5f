#include "startup/launcher_update.h"

namespace startup {

UpdateScriptKind nativeScriptKind() { return batchScriptKind(); }

}  // namespace startup
