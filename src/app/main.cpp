#include <memory>
#include <string>
#include <vector>

#include "app/event_bindings.h"
#include "app/window_backend.h"
#include "platform/platform.h"
#include "startup/startup_sequence.h"
#include "text/display_language.h"
#include "ui/headless/headless_backend.h"
#include "ui/window.h"

namespace {

// The launcher's full path, or the same file name inside --run-dir when that is given.
std::string launcherPath(platform::Platform& p, const app::Options& options) {
  std::string own = p.system.executablePath();
  if (options.runDir.empty()) return own;
  // The folder is given as a path of this system; asking for the current directory after
  // entering it yields the same folder in the launcher's own spelling.
  if (!p.files.setCurrentDirectory(options.runDir)) return own;
  return p.files.currentDirectory() + "\\" + startup::fileNameOf(own);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Platform& p = native->get();
  app::Options options = app::parseOptions(args);

  // The display language is fixed before the window exists, and never changes afterwards.
  text::DisplayCode display = text::detectDisplayLanguage(p.system.defaultLocaleId());
  ui::Window window(display);
  app::AppState state(p, window, display);
  state.options = options;
  state.executablePath = launcherPath(p, options);
  p.files.setCurrentDirectory(startup::folderOf(state.executablePath));
  app::bindEvents(state);

  std::unique_ptr<ui::LoopBackend> backend;
  if (!options.headless) backend = app::makeSystemWindow(state);
  if (!backend) {
    ui::HeadlessOptions headless;
    headless.autoUpdate = options.autoUpdate;
    headless.autoStart = options.autoStart;
    headless.configurationDone = [&state] { return state.workerFinished.load(); };
    backend = std::make_unique<ui::HeadlessBackend>(window, p, std::move(headless));
  }
  window.attach(backend.get());
  backend->run();
  window.attach(nullptr);
  state.endProcess(0);
  return 0;
}
