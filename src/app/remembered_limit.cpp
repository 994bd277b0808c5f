#include "app/remembered_limit.h"

#include "app/byte_rate.h"

namespace app {

std::optional<int64_t> rememberedSpeedLimit(platform::Registry& registry) {
  uint32_t value = 0;
  if (!registry.userDword(kSettingsKey, kSpeedLimitValue, value)) return std::nullopt;
  return static_cast<int64_t>(value);
}

bool rememberSpeedLimit(platform::Registry& registry, int64_t bytesPerSecond) {
  if (bytesPerSecond < 0 || bytesPerSecond > kLargestSpeedLimit) return false;
  return registry.setUserDword(kSettingsKey, kSpeedLimitValue, static_cast<uint32_t>(bytesPerSecond));
}

std::optional<int64_t> startingSpeedLimit(const state::Options& options, platform::Registry& registry) {
  if (options.limitRate) return options.limitRate;
  std::optional<int64_t> remembered = rememberedSpeedLimit(registry);
  if (remembered && *remembered > 0) return remembered;
  return std::nullopt;
}

}  // namespace app
