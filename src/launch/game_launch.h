#pragma once
#include <cstdint>
#include <string>

#include "state/app_state.h"
#include "startup/server_entry.h"

namespace launch {

// Handler of the start-game button.
void startGame(state::AppState& app);
// Starts Client.exe with the command text; the new process's identifier, or 0 after the
// "error:0x01" message.
uint32_t launchClient(state::AppState& app, const std::string& commandText);
// The client's arguments for a server line, fields inserted verbatim.
std::string clientCommandText(const startup::ServerEntry& line);

}  // namespace launch
