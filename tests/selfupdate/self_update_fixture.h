#pragma once
#include <string>
#include <vector>

#include "state/app_state.h"
#include "fakes/fake_platform.h"
#include "startup/self_update.h"
#include "fakes/encoded_text.h"
#include "text/gbk.h"
#include "fakes/recording_backend.h"
#include "ui/window.h"

namespace selfupdate_test {

using fakes::RecordingBackend;

struct DownloadCall {
  std::string url;
  std::string target;
  int index = 0;
  int count = 0;
};

// A launcher at C:\Game\launcher.exe on fakes, with a manifest and a scripted download.
struct SelfUpdateFixture {
  SelfUpdateFixture() : window(text::DisplayCode::SC), app(fake.bundle, window, text::DisplayCode::SC) {
    window.attach(&backend);
    app.executablePath = "C:\\Game\\launcher.exe";
    app.clientFolder = "C:\\Game\\";
    app.downloadCacheFolder = "C:\\Game\\DownloadCache\\";
    fake.files.directories = {"C:", "C:\\Game", "C:\\Game\\DownloadCache"};
    fake.files.files["C:\\Game\\launcher.exe"] = "old launcher";
  }
  ~SelfUpdateFixture() { window.attach(nullptr); }

  void offer(const std::string& launcherAttributes);
  // The download answers `result`; a complete one leaves `bytes` as the new file.
  startup::LauncherDownload downloadAnswering(int result, const std::string& bytes = "MZ new launcher");
  std::string caption(const char* name);
  bool hasFile(const std::string& path) const { return fake.files.files.count(path) > 0; }

  fakes::FakePlatform fake;
  RecordingBackend backend;
  ui::Window window;
  state::AppState app;
  std::vector<DownloadCall> downloads;
};

// GBK text written as UTF-8 in the test source, for readable expectations.
inline std::string gbk(const char* utf8) { return fakes::gbkOf(utf8); }

}  // namespace selfupdate_test
