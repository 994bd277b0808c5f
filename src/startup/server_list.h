#pragma once
#include "app/app_state.h"

namespace startup {

// Fills the server list and the combo box from the manifest and selects the first line.
void loadServerList(app::AppState& app);
// Probes the selected line; the combo box's item-selected handler as well.
void refreshServerStatus(app::AppState& app);
// Handler of the client socket's data-arrived event.
void onProbeData(app::AppState& app);

}  // namespace startup
