#include "launch/game_launch.h"

namespace launch {

// Placeholder until the game launch exists.
void startGame(app::AppState&) {}

}  // namespace launch
