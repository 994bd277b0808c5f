#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/console_commands.h"
#include "app/event_bindings.h"
#include "app/options.h"
#include "app/player_controls.h"
#include "app/window_backend.h"
#include "platform/input_lines.h"
#include "platform/platform.h"
#include "startup/endpoints.h"
#include "startup/launcher_version.h"
#include "startup/startup_sequence.h"
#include "text/display_language.h"
#include "ui/headless/headless_backend.h"
#include "ui/probe_socket.h"
#include "ui/window.h"

namespace {

// How long the end of the program waits for background threads to return.
constexpr int kWorkerGraceMs = 2000;

// The compiled-in operator addresses, overridden by --endpoints FILE when given. A file that
// cannot be read or used fills `error`; the run then ends once the window can say why.
startup::Endpoints endpointsFor(platform::Platform& p, const state::Options& options, std::string& error) {
  startup::Endpoints endpoints;
  if (options.endpointsFile.empty()) return endpoints;
  std::string bytes, problem;
  if (!p.files.readWhole(options.endpointsFile, bytes))
    problem = "cannot read the file";
  else if (!startup::applyEndpointsText(bytes, endpoints, problem))
    problem = "not usable: " + problem;
  if (!problem.empty()) error = "--endpoints " + options.endpointsFile + ": " + problem;
  return endpoints;
}

// The launcher's full path, or the same file name inside --run-dir when that is given.
std::string launcherPath(platform::Platform& p, const state::Options& options) {
  std::string own = p.system.executablePath();
  if (options.runDir.empty()) return own;
  // The folder is given as a path of this system; asking for the current directory after
  // entering it yields the same folder in the launcher's own spelling.
  if (!p.files.setCurrentDirectory(options.runDir)) return own;
  std::string folder = p.files.currentDirectory();
  return folder.empty() ? folder : folder + "\\" + startup::fileNameOf(own, p.system.leadBytes());
}

}  // namespace

int main(int argc, char** argv) {
  // Taken first, before any file the program opens could take the place of a closed input.
  auto input = std::make_unique<platform::InputLines>();
  std::vector<std::string> args(argv + 1, argv + argc);
  state::Options options = app::parseOptions(args);
  std::string startError = app::commandLineError(options);
  if (startError.empty() && (options.help || options.version)) {
    std::fputs(options.help ? app::usageText() : (std::string(startup::kLauncherVersion) + "\n").c_str(), stdout);
    return 0;
  }
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Platform& p = native->get();
  options.startFolder = p.files.currentDirectory();
  startup::Endpoints endpoints;
  if (startError.empty()) endpoints = endpointsFor(p, options, startError);

  // The display language is fixed before the window exists, and never changes afterwards.
  text::DisplayCode display = text::detectDisplayLanguage(p.system.defaultLocaleId());
  ui::Window window(display);
  state::AppState state(p, window, display);
  state.options = options;
  state.endpoints = endpoints;
  state.executablePath = launcherPath(p, options);
  p.files.setCurrentDirectory(startup::folderOf(state.executablePath, p.system.leadBytes()));
  std::unique_ptr<app::PlayerControls> controls = app::makeEngineControls(state);
  app::bindEvents(state, *controls);
  ui::ProbeSocket probe([&window] { window.socketDataArrived(); });
  window.attachSocketDriver(&probe);

  std::unique_ptr<ui::LoopBackend> backend;
  if (!options.headless) backend = app::makeSystemWindow(state);
  // Endings that a script should tell apart get their own exit codes when no window shows them.
  state.options.headless = !backend;
  if (!backend) {
    ui::HeadlessOptions headless;
    // A verifying run ends like an updating one: once nothing is left to do.
    headless.autoUpdate = options.autoUpdate || options.verify;
    headless.autoStart = options.autoStart;
    headless.answerYes = options.answerYes;
    // Settled once the configuration has run and no patch worker is still changing the window.
    headless.configurationDone = [&state] { return state.workerFinished && !state.patchWorkerRunning; };
    headless.command = [&controls, &p](const std::string& line) {
      return app::runConsoleCommand(*controls, p.registry, line);
    };
    auto console = std::make_unique<ui::HeadlessBackend>(window, p, std::move(headless));
    // The console's lines reach the tray menu's choices while the console runs.
    input->start([raw = console.get()](const std::string& line) { raw->takeLine(line); });
    backend = std::move(console);
  }
  window.attach(backend.get());
  if (!startError.empty()) {
    input.reset();
    std::fprintf(stderr, "launcher: %s\n", startError.c_str());
    window.messageBox(startError);
    window.attach(nullptr);
    state.endProcess(2);
    return 2;
  }
  backend->run();
  input.reset();  // no line reaches the console after its run
  int code = backend->exitCode();
  window.attach(nullptr);
  window.attachSocketDriver(nullptr);
  // No thread of ours is left mid-way when the process ends: the status probe's attempts are
  // cancelled and joined, the worker that settled the run may still be returning, and an
  // echo may be waiting for its answer.
  probe.close();
  state.workers.finish(kWorkerGraceMs);
  state.endProcess(code);
  return code;
}
