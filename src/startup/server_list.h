#pragma once
#include "state/app_state.h"
#include "startup/server_entry.h"

namespace startup {

// Fills the server list and the combo box from the manifest and selects the first line.
void loadServerList(state::AppState& app);
// A copy of the chosen line; seven empty texts when no line is chosen.
ServerEntry selectedServer(const state::AppState& app);
// Probes the selected line; the combo box's item-selected handler as well.
void refreshServerStatus(state::AppState& app);
// Handler of the client socket's data-arrived event.
void onProbeData(state::AppState& app);

void showOfflineLook(state::AppState& app);
void showOnlineLook(state::AppState& app);
// Starts one echo to the chosen line's login server; the answer is shown on the window
// thread unless a newer status check came first.
void measureLatency(state::AppState& app);

// A port field read like atoi (blanks, sign, leading digits); anything below 1 becomes 1.
int probePort(const std::string& field);

}  // namespace startup
