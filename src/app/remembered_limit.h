#pragma once
#include <cstdint>
#include <optional>

#include "platform/registry.h"
#include "state/options.h"

namespace app {

// Where the player's speed limit is kept: the current user's own settings, never the client
// folder (one client folder may serve several players, and a new client copy starts fresh).
inline constexpr const char* kSettingsKey = "Software\\VKTalvera\\Launcher";
inline constexpr const char* kSpeedLimitValue = "SpeedLimit";

// The limit the player chose last time; nothing when none was ever chosen.
std::optional<int64_t> rememberedSpeedLimit(platform::Registry& registry);
// False when it could not be written (the limit still holds for this run).
bool rememberSpeedLimit(platform::Registry& registry, int64_t bytesPerSecond);

// The limit a run starts with: the command line's (0 included: it lifts a remembered one),
// else a remembered limit above 0; nothing when neither asks for one, so the run behaves
// as one without any limit ever chosen.
std::optional<int64_t> startingSpeedLimit(const state::Options& options, platform::Registry& registry);

}  // namespace app
