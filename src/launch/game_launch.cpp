#include "launch/game_launch.h"

#include "launch/program_opener.h"
#include "ui/component_names.h"

namespace launch {

namespace {

constexpr const char* kChooseLine =
    "\xC7\xEB\xD1\xA1\xD4\xF1\xB7\xFE\xCE\xF1\xC6\xF7\xCF\xDF\xC2\xB7";  // 请选择服务器线路
constexpr const char* kLaunchFailed = "error:0x01";
constexpr const char* kClientProgram = "Client.exe";

}  // namespace

std::string clientCommandText(const startup::ServerEntry& line) {
  return "code:1622 logip:" + line.Lip + " logport:" + line.Lport + " chatip:" + line.Mip + " chatport:" +
         line.Mport + " setting:\"file://data/features.xml=Regular, China\" sublocale:" + line.sublocale;
}

void startGame(state::AppState& app) {
  int line = app.window.selection(ui::names::kComboZone) + 1;
  if (line <= 0 || line > static_cast<int>(app.serverList.size())) {
    app.messageBox(app.convert(kChooseLine));
    return;
  }
  const startup::ServerEntry& chosen = app.serverList[static_cast<size_t>(line - 1)];
  // A settings file that cannot be written does not stop the game from starting.
  app.platform.ini.write(app.clientFolder + "vf.ini", "aaa", "bbb", chosen.version);
  launchClient(app, clientCommandText(chosen));
}

uint32_t launchClient(state::AppState& app, const std::string& commandText) {
  platform::ProcessRecord record;
  int32_t pid = runProgram(app.platform, kClientProgram, commandText, false, 0, "", record, false);
  if (pid > 0) return static_cast<uint32_t>(pid);
  app.messageBox(kLaunchFailed);
  return 0;
}

}  // namespace launch
