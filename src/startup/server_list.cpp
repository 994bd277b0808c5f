#include "startup/server_list.h"

namespace startup {

// Placeholders until the server lines exist: the steps pass over to the next.
void loadServerList(app::AppState&) {}
void refreshServerStatus(app::AppState&) {}
void onProbeData(app::AppState&) {}

}  // namespace startup
