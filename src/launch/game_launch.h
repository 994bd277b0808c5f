#pragma once
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "startup/server_entry.h"

namespace launch {

// Handler of the start-game button.
void startGame(app::AppState& app);
// Starts Client.exe with the command text; the new process's identifier, or 0 after the
// "error:0x01" message.
uint32_t launchClient(app::AppState& app, const std::string& commandText);
// The client's arguments for a server line, fields inserted verbatim.
std::string clientCommandText(const startup::ServerEntry& line);

}  // namespace launch
