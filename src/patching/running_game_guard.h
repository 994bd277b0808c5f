#pragma once
#include <cstdint>
#include <string>

#include "state/app_state.h"
#include "platform/processes.h"

namespace patching {

// True while the game client runs: a process named "Client.exe" (any letter case) exists and
// its first visible top-level window has the class "Talveria" or "OrvanADBallon", or it has no
// visible top-level window at all.
//
// On Linux the platform's window walk knows only the windows that launchers publish, so a
// running Client.exe never shows a window there and always counts as a running game.
bool isGameRunning(state::AppState& app);

// The first top-level window in z-order that belongs to `pid`, is visible (or any window when
// anyVisibility is set) and whose title contains `titleFilter` (an empty filter takes any
// title); 0 when there is none.
platform::WindowHandle findProcessWindow(state::AppState& app, uint32_t pid, const std::string& titleFilter,
                                         bool anyVisibility);

}  // namespace patching
