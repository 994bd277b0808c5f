#pragma once
#include <cstdint>
#include <memory>

#include "state/app_state.h"

namespace app {

// What the player may do to downloads from the tray menu and the console: the download
// engine's controls and the repair check. Window thread.
class PlayerControls {
 public:
  virtual ~PlayerControls() = default;
  virtual int64_t speedLimit() = 0;  // bytes per second, 0 for none
  virtual void setSpeedLimit(int64_t bytesPerSecond) = 0;
  virtual bool downloadRunning() = 0;
  virtual bool downloadsPaused() = 0;
  virtual void pauseDownloads() = 0;
  virtual void resumeDownloads() = 0;
  virtual bool repairPossible() = 0;
  virtual void startRepair() = 0;
};

// The controls of the program's own download engine and repair check.
std::unique_ptr<PlayerControls> makeEngineControls(state::AppState& app);

}  // namespace app
