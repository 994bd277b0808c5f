#include "patching/file_download.h"

#include "download/source_set.h"
#include "patching/disk_room.h"
#include "patching/format_size.h"
#include "patching/download_event.h"
#include "patching/patch_texts.h"
#include "support/support_notes.h"

namespace patching {

namespace {

constexpr int32_t kLauncherConnections = 5;

int awaitDownload(state::AppState& app, const std::string& url, const std::string& target) {
  download::DownloadTask& task = app.downloadTask;
  clearDownloadEnd(app);
  bindDownloadHooks(app, task);
  if (!task.start(app.platform.files, url, target, downloadEvents(app), kLauncherConnections, true)) return kNotStarted;
  return awaitDownloadEnd(app);
}

// The file's own address as the manifest gave it: the cache-busting stamp differs on every run.
std::string withoutStamp(const std::string& url) {
  std::string own = download::splitAddresses(url).front();
  return own.substr(0, own.rfind("?t="));
}

void noteDownload(state::AppState& app, const std::string& url, const std::string& target, int result,
                  uint32_t milliseconds) {
  const download::DownloadTask& task = app.downloadTask;
  bool started = result != kNotStarted;
  support::DownloadFacts facts;
  facts.url = withoutStamp(url);
  facts.target = target + ".tmp";
  facts.result = result;
  facts.bytes = started ? task.bytesAtEnd() : 0;
  facts.size = started ? task.learnedSize() : 0;
  facts.resumed = started ? task.resumedBytes() : 0;
  facts.connections = kLauncherConnections;
  facts.milliseconds = milliseconds;
  app.log.write(support::downloadNote(app.platform.system, facts));
}

}  // namespace

void clearDownloadEnd(state::AppState& app) {
  app.downloadState = 0;
  app.downloadTask.endSignal().clear();
}

download::EventCallback downloadEvents(state::AppState& app) {
  return [&app](int32_t code, int32_t a, int32_t b, int32_t c, int32_t id) {
    return onDownloadEvent(app, code, a, b, c, id);
  };
}

void bindDownloadHooks(state::AppState& app, download::DownloadTask& task) {
  // The room is judged on the size the server gives, the one the file is created at; a
  // fresh file has nothing on disk yet but its ".work" to come.
  task.params().roomFor = [&app](int64_t size) {
    int64_t freeBytes = 0;
    return volumeHasRoom(app, addSizes(size, kWorkFileRoom), freeBytes);
  };
  // The engine's threads tell the support log which source served the file and what failed.
  task.params().supportNote = [&app](const std::string& line) { app.log.write(line); };
  task.params().clock = [&app] { return app.platform.system.tickCount(); };
}

int awaitDownloadEnd(state::AppState& app) {
  // Blocks on the end event instead of polling; the wait keeps this thread's messages moving.
  for (;;) {
    int16_t state = app.downloadState;
    if (state == kIncomplete || state == kComplete) return state;
    app.downloadTask.endSignal().waitServingMessages();
  }
}

std::string downloadAddresses(const std::string& url, const std::vector<std::string>& mirrors,
                              const std::string& stamp) {
  std::vector<std::string> addresses{url + "?t=" + stamp};
  for (const std::string& m : mirrors) addresses.push_back(m + "?t=" + stamp);
  return download::joinAddresses(addresses);
}

int downloadFile(state::AppState& app, const std::string& url, const std::string& target, int index, int count) {
  app.downloadIndex = index;
  app.downloadCount = count;
  uint32_t began = app.platform.system.tickCount();
  int result = awaitDownload(app, url, target);
  // The file was replaced on the server while this download (or the one it resumed) ran:
  // nothing of it is kept, and the new file is fetched from its first byte, once, at once.
  if (result == kIncomplete && app.downloadTask.engine().remoteChanged()) {
    app.log.write("the file changed on the server during its download, fetched afresh: " + withoutStamp(url));
    app.downloadTask.expectSizeOfNextStart(app.downloadTask.params().expectedSize);
    result = awaitDownload(app, url, target);
  }
  noteDownload(app, url, target, result, app.platform.system.tickCount() - began);
  return result;
}

const char* incompleteMessage(const state::AppState& app, const char* otherwise, std::string& cause) {
  switch (app.downloadTask.failure()) {
    case download::DownloadFailure::certificateRefused:
      cause = "the server's certificate was refused";
      return texts::kCertificateRefused;
    case download::DownloadFailure::proxyRefused:
      cause = "the proxy refused the download";
      return texts::kProxyRefused;
    case download::DownloadFailure::proxyInvalid:
      cause = "the proxy settings name no usable proxy";
      return texts::kProxyInvalid;
    case download::DownloadFailure::sizeRefused:
      cause = "the server's file is not of the signed size";
      return texts::kCheckCodeMismatch;
    default:
      cause = "the download is incomplete";
      return otherwise;
  }
}

}  // namespace patching
