#pragma once
#include <string>
#include <vector>

#include "app/player_controls.h"

namespace fakes {

// The download controls as a record: the state the menu reads, and every call made.
struct FakeControls : app::PlayerControls {
  int64_t limit = 0;
  bool running = false;
  bool paused = false;
  bool repairAllowed = true;
  std::vector<std::string> calls;  // "limit N", "pause", "resume", "repair"

  int64_t speedLimit() override { return limit; }
  void setSpeedLimit(int64_t bytesPerSecond) override {
    limit = bytesPerSecond;
    calls.push_back("limit " + std::to_string(bytesPerSecond));
  }
  bool downloadRunning() override { return running; }
  bool downloadsPaused() override { return paused; }
  // Like the engine: only a running download can be paused.
  void pauseDownloads() override {
    paused = running;
    calls.push_back("pause");
  }
  void resumeDownloads() override {
    paused = false;
    calls.push_back("resume");
  }
  bool repairPossible() override { return repairAllowed; }
  void startRepair() override { calls.push_back("repair"); }
};

}  // namespace fakes
