#include "app/player_controls.h"
#include "patching/download_control.h"
#include "patching/patch_repair.h"

namespace app {

namespace {

class EngineControls final : public PlayerControls {
 public:
  explicit EngineControls(state::AppState& app) : app_(app) {}
  int64_t speedLimit() override { return patching::speedLimit(app_); }
  void setSpeedLimit(int64_t bytesPerSecond) override { patching::setSpeedLimit(app_, bytesPerSecond); }
  bool downloadRunning() override { return patching::downloadRunning(app_); }
  bool downloadsPaused() override { return patching::downloadsPaused(app_); }
  void pauseDownloads() override { patching::pauseDownloads(app_); }
  void resumeDownloads() override { patching::resumeDownloads(app_); }
  bool repairPossible() override { return patching::repairPossible(app_); }
  void startRepair() override { patching::startRepair(app_); }

 private:
  state::AppState& app_;
};

}  // namespace

std::unique_ptr<PlayerControls> makeEngineControls(state::AppState& app) {
  return std::make_unique<EngineControls>(app);
}

}  // namespace app
