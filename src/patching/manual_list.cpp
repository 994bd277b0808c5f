#include "patching/manual_list.h"

#include "patching/patch_texts.h"

namespace patching {

namespace {

constexpr uint32_t kOpenDelayMs = 1000;
constexpr int kPumpStepMs = 10;

// Waits while letting this thread's window messages be processed.
void waitServingMessages(state::AppState& app, uint32_t milliseconds) {
  auto& system = app.platform.system;
  uint32_t began = system.tickCount();
  while (system.tickCount() - began < milliseconds) {
    app.platform.processes.pumpMessages();
    system.sleep(kPumpStepMs);
  }
}

}  // namespace

std::string manualListText(state::AppState& app, const std::vector<PatchEntry>& manual) {
  std::string text = app.convert(texts::kManualListHeader) + "\r\n";
  for (const auto& e : manual)
    text += std::string(texts::kManualListName) + e.name + texts::kManualListAddress + e.url + "\r\n";
  return text;
}

void writeAndOpenManualList(state::AppState& app) {
  std::string path = app.clientFolder + kManualListFile;
  app.platform.files.writeWhole(path, manualListText(app, app.manualPatches));
  waitServingMessages(app, kOpenDelayMs);
  app.platform.shell.execute(0, "", path);
}

}  // namespace patching
