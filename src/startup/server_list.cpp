#include "startup/server_list.h"

#include <cctype>

#include "startup/latency_look.h"
#include "ui/component_names.h"

namespace startup {

namespace {

using namespace ui::names;

constexpr const char* kMaintenance = "\xCE\xAC\xBB\xA4";  // 维护
constexpr int kEchoTimeoutMs = 5000;
constexpr ui::Rgb kGrey{128, 128, 128};
constexpr ui::Rgb kGreen{0, 224, 128};

void showLatency(state::AppState& app, int milliseconds) {
  LatencyLook look = latencyLook(milliseconds);
  app.window.setColor(kLabelPing, look.color);
  app.window.setCaption(kLabelPing, app.convert(look.caption));
}

}  // namespace

int probePort(const std::string& field) {
  size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  long long value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > 1000000) value = 1000000;  // far beyond any port; keeps the sum in range
  }
  if (negative) value = -value;
  return value < 1 ? 1 : static_cast<int>(value);
}

void loadServerList(state::AppState& app) {
  app.window.clearItems(kComboZone);
  const ManifestDocument& doc = app.manifestDocument;
  int count = manifestCount(doc, "UpdateInfo/ServerList");
  for (int i = 1; i <= count; ++i) {
    std::string path = "UpdateInfo/ServerList/@" + std::to_string(i);
    ServerEntry e;
    e.name = manifestAttribute(doc, path, "name");
    e.Lip = manifestAttribute(doc, path, "Lip");
    e.Lport = manifestAttribute(doc, path, "Lport");
    e.Mip = manifestAttribute(doc, path, "Mip");
    e.Mport = manifestAttribute(doc, path, "Mport");
    e.sublocale = manifestAttribute(doc, path, "sublocale");
    e.version = manifestAttribute(doc, path, "version");
    app.serverList.push_back(std::move(e));
  }
  for (const ServerEntry& e : app.serverList) app.window.addItem(kComboZone, e.name);
  if (!app.serverList.empty()) app.window.setSelection(kComboZone, 0);
}

ServerEntry selectedServer(const state::AppState& app) {
  int index = app.window.selection(kComboZone);
  if (index < 0 || index >= static_cast<int>(app.serverList.size())) return {};
  return app.serverList[static_cast<size_t>(index)];
}

void refreshServerStatus(state::AppState& app) {
  showOfflineLook(app);
  ++app.probeGeneration;
  ServerEntry e = selectedServer(app);
  // The earlier line's probe and any bytes it already delivered are dropped even when the
  // new line has no login server, so a late answer cannot light up a line never probed.
  app.window.disconnect(kClient1);
  app.window.takeReceived(kClient1);
  if (e.Lip.empty()) return;
  app.window.connect(kClient1, e.Lip, probePort(e.Lport));
}

void onProbeData(state::AppState& app) {
  std::string bytes = app.window.takeReceived(kClient1);
  // Every real arrival carries bytes; an empty take is an arrival whose bytes a newer
  // status check already discarded, and it must not touch the newer line's probe.
  if (bytes.empty()) return;
  if (bytes.size() == 4) {
    showOnlineLook(app);
  } else {
    showOfflineLook(app);
  }
  app.window.disconnect(kClient1);
}

void showOfflineLook(state::AppState& app) {
  app.window.setPicture(kPictureStatus, ui::Picture::StatusOffline);
  app.window.setEnabled(kButtonStartGame, false);
  app.window.setColor(kLabelPing, kGrey);
  app.window.setCaption(kLabelPing, app.convert(kMaintenance));
}

void showOnlineLook(state::AppState& app) {
  measureLatency(app);
  app.window.setPicture(kPictureStatus, ui::Picture::StatusOnline);
  app.window.setEnabled(kButtonStartGame, true);
}

void measureLatency(state::AppState& app) {
  app.window.setColor(kLabelPing, kGreen);
  app.window.setCaption(kLabelPing, "");
  std::string host = selectedServer(app).Lip;
  uint32_t generation = app.probeGeneration.load();
  // An unanswered echo takes up to five seconds: it is waited for off the window thread.
  app.spawn([&app, host, generation] {
    int milliseconds = app.platform.network.icmpEcho(host, kEchoTimeoutMs);
    app.window.post([&app, milliseconds, generation] {
      if (app.probeGeneration.load() == generation) showLatency(app, milliseconds);
    });
  });
}

}  // namespace startup
