#pragma once
#include <cstdint>

namespace state {
struct AppState;
}

namespace patching {

// The engine's callback for the launcher's downloads: the size event starts the progress
// display, the end event settles the task's end state, refreshes the display once and
// releases downloadFile. Always 0.
int32_t onDownloadEvent(state::AppState& app, int32_t code, int32_t a, int32_t b, int32_t c, int32_t task);

}  // namespace patching
