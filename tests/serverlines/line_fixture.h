#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "state/app_state.h"
#include "fakes/fake_platform.h"
#include "startup/manifest_document.h"
#include "startup/server_list.h"
#include "ui/backend.h"
#include "ui/window.h"

namespace serverlines {

// Records what the window asks of its client socket.
struct RecordingSocket : ui::SocketDriver {
  std::vector<std::string> calls;  // "connect host:port" or "disconnect"
  void connect(const std::string& host, int port) override {
    calls.push_back("connect " + host + ":" + std::to_string(port));
  }
  void disconnect() override { calls.push_back("disconnect"); }
  int connects() const {
    int n = 0;
    for (const auto& c : calls) n += c.rfind("connect", 0) == 0;
    return n;
  }
};

// An application over fakes whose spawned bodies wait in a list until the test runs them.
struct LineApp {
  fakes::FakePlatform fake;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
  RecordingSocket socket;
  std::vector<std::function<void()>> spawned;

  LineApp() { bind(); }
  explicit LineApp(platform::Platform& platform) : app{platform, window, text::DisplayCode::SC} { bind(); }

  void bind() {
    window.attachSocketDriver(&socket);
    window.events().socketData = [this] { startup::onProbeData(app); };
    window.events().serverSelected = [this] { startup::refreshServerStatus(app); };
    app.spawn = [this](std::function<void()> body) { spawned.push_back(std::move(body)); };
  }

  // Loads the lines of a manifest made from `lines` (each an attribute list of one <Server>).
  void loadLines(const std::vector<std::string>& lines) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"gb2312\"?><UpdateInfo><ServerList>";
    for (const auto& l : lines) xml += "<Server " + l + "/>";
    xml += "</ServerList></UpdateInfo>";
    ASSERT_TRUE(startup::parseManifest(app.manifestDocument, xml));
    startup::loadServerList(app);
  }

  void runSpawned() {
    auto bodies = std::move(spawned);
    spawned.clear();
    for (auto& b : bodies) b();
    window.pump();
  }
};

inline std::string line(const std::string& name, const std::string& lip, const std::string& lport) {
  return "name=\"" + name + "\" Lip=\"" + lip + "\" Lport=\"" + lport +
         "\" Mip=\"10.0.0.9\" Mport=\"7000\" sublocale=\"zh_CN\" version=\"1.0.3\"";
}

// Pumps the window until `done` holds or `seconds` pass.
inline bool pumpUntil(ui::Window& window, const std::function<bool()>& done, int seconds = 5) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    window.pump();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  window.pump();
  return done();
}

// Waits, without running the window's queue, until `done` holds or `seconds` pass.
inline bool waitFor(const std::function<bool()>& done, int seconds = 5) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace serverlines
