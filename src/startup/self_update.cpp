#include "startup/self_update.h"

#include "patching/check_code.h"
#include "patching/disk_room.h"
#include "patching/file_download.h"
#include "startup/cache_busting.h"
#include "startup/folder_access.h"
#include "startup/launcher_update.h"
#include "startup/manifest_document.h"
#include "startup/manifest_mirrors.h"
#include "startup/startup_sequence.h"
#include "startup/update_record.h"
#include "support/support_notes.h"
#include "ui/component_names.h"

namespace startup {

namespace {

constexpr const char* kChecking =
    "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB5\xC7\xC2\xBD\xC6\xF7\xB8\xFC\xD0\xC2...";  // 正在检查登陆器更新...
constexpr const char* kUpToDate =
    "\xB5\xC7\xC2\xBD\xC6\xF7\xCE\xAA\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xAC\xCE\xDE\xD0\xE8\xB8\xFC\xD0\xC2...";  // 登陆器为最新版本，无需更新...
constexpr const char* kUpdating =
    "\xB5\xC7\xC2\xBD\xC6\xF7\xB7\xA2\xCF\xD6\xD0\xC2\xB5\xC4\xB0\xE6\xB1\xBE\xA3\xAC\xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2...";  // 登陆器发现新的版本，正在更新...
constexpr const char* kNotStarted =
    "\xB5\xC7\xC2\xBC\xC6\xF7\xB8\xFC\xD0\xC2\xB4\xB4\xBD\xA8\xC8\xCE\xCE\xF1\xCA\xA7\xB0\xDC!";  // 登录器更新创建任务失败!
constexpr const char* kIncomplete =
    "\xB5\xC7\xC2\xBC\xC6\xF7\xB8\xFC\xD0\xC2\xD2\xEC\xB3\xA3\xD6\xD5\xD6\xB9,\xC7\xEB\xB9\xD8\xB1\xD5"
    "\xB5\xC7\xC2\xBC\xC6\xF7\xC9\xD4\xBA\xF3\xB3\xA2\xCA\xD4!";  // 登录器更新异常终止,请关闭登录器稍后尝试!
constexpr const char* kComplete =
    "\xB5\xC7\xC2\xBD\xC6\xF7\xB8\xFC\xD0\xC2\xCD\xEA\xB3\xC9,\xBC\xB4\xBD\xAB\xD7\xD4\xB6\xAF\xD6\xD8\xC6\xF4"
    "\xB5\xC7\xC2\xBC\xC6\xF7,\xB5\xE3\xBB\xF7\xC8\xB7\xB6\xA8\xBA\xF3\xB5\xC8\xB4\xFD\xBC\xB8\xC3\xEB...";  // 登陆器更新完成,即将自动重启登录器,点击确定后等待几秒...
constexpr const char* kUnverified =
    "\xD0\xC2\xB0\xE6\xB5\xC7\xC2\xBC\xC6\xF7\xCE\xB4\xCD\xA8\xB9\xFD\xD1\xE9\xD6\xA4,"
    "\xBC\xCC\xD0\xF8\xCA\xB9\xD3\xC3\xB5\xB1\xC7\xB0\xB5\xC7\xC2\xBC\xC6\xF7!";  // 新版登录器未通过验证,继续使用当前登录器!
// Offered version, then this launcher's own, between the three parts.
constexpr const char* kRepeatedOffer[] = {
    "\xB8\xFC\xD0\xC2\xD0\xC5\xCF\xA2\xCC\xE1\xB9\xA9\xB5\xC4\xB5\xC7\xC2\xBC\xC6\xF7\xB0\xE6\xB1\xBE\xCE\xAA",  // 更新信息提供的登录器版本为
    ",\xB5\xB1\xC7\xB0\xB5\xC7\xC2\xBC\xC6\xF7\xB5\xC4\xB0\xE6\xB1\xBE\xCE\xAA",  // ,当前登录器的版本为
    ",\xD2\xD1\xB8\xFC\xD0\xC2\xB9\xFD\xD2\xBB\xB4\xCE,\xB2\xBB\xD4\xD9\xD6\xD8\xB8\xB4\xB8\xFC\xD0\xC2,"
    "\xC7\xEB\xC1\xAA\xCF\xB5\xD3\xCE\xCF\xB7\xB9\xDC\xC0\xED\xD4\xB1!",  // ,已更新过一次,不再重复更新,请联系游戏管理员!
};
constexpr const char* kLauncherNode = "UpdateInfo/Launcher";
constexpr const char* kTargetName = "DLQ.exe";

// A "complete" download of nothing cannot be a launcher: installing it would leave no
// launcher at all, so it counts as the broken download it is.
int checkedResult(state::AppState& app, int result, const std::string& newFile) {
  int64_t size = 0;
  bool empty = app.platform.files.fileSize(newFile, size) && size == 0;
  return result == patching::kComplete && empty ? patching::kIncomplete : result;
}

const char* outcomeFor(int result) {
  switch (result) {
    case patching::kComplete: return "downloaded, installing";
    case patching::kIncomplete: return "refused, the download is incomplete";
    default: return "refused, the download did not start";
  }
}

const char* messageFor(int result) {
  switch (result) {
    case patching::kComplete: return kComplete;
    case patching::kIncomplete: return kIncomplete;
    default: return kNotStarted;
  }
}

// The manifest gives no size for the new launcher: the running one's size stands in for it.
bool enoughRoomForLauncher(state::AppState& app, const std::string& target) {
  int64_t ownSize = 0;
  app.platform.files.fileSize(app.executablePath, ownSize);
  return patching::roomOrMessage(app, patching::roomForDownload(app.platform.files, target, ownSize));
}

// With keys configured a launcher named with a sha256 must match it, and when signatures are
// required a launcher without one is never fetched: a program is only started when the
// signed manifest vouches for its bytes.
bool digestDemanded(state::AppState& app, const std::string& digest) {
  return app.endpoints.trustActive() && (!digest.empty() || app.endpoints.signaturesRequired());
}

// The new launcher is not taken: this launcher says so and goes on with its run.
bool refuseNewLauncher(state::AppState& app, const std::string& version, const std::string& why) {
  app.log.write(support::selfUpdateNote(kLauncherVersion, version, "refused, " + why));
  app.messageBox(app.convert(kUnverified));
  app.window.setPosition(ui::names::kProgressBar, 0);
  return true;
}

// The offer this folder installed last comes back: taking it again would only restart into
// the same file. The run goes on as that of an up-to-date launcher.
bool offerAlreadyTaken(state::AppState& app, const std::string& version, const std::string& offeredSha256) {
  auto& files = app.platform.files;
  std::optional<UpdateRecord> last = readUpdateRecord(files, app.clientFolder);
  if (!last || last->version != version) return false;  // spares reading the own file
  std::string own;
  patching::fileSha256Hex(files, app.executablePath, own);
  RepeatedOffer verdict = repeatedOffer(last, version, offeredSha256, own);
  if (verdict == RepeatedOffer::kNew) return false;
  if (verdict == RepeatedOffer::kNotTaken) {
    last->seen = true;
    storeUpdateRecord(files, app.clientFolder, *last);
  }
  app.log.write(support::selfUpdateNote(
      kLauncherVersion, version,
      verdict == RepeatedOffer::kInstalled
          ? "not repeated, this launcher is the file that offer installed, built as version " +
                std::string(kLauncherVersion)
          : "not repeated, the installation of that offer did not take; the next start tries again"));
  app.messageBox(app.convert(kRepeatedOffer[0] + version + kRepeatedOffer[1] + kLauncherVersion + kRepeatedOffer[2]));
  return true;
}

// Remembered before the script runs, so the restarted launcher knows what it was meant to be.
bool rememberInstallation(state::AppState& app, const std::string& version, const std::string& newFile) {
  UpdateRecord record{version, "", false};
  if (patching::fileSha256Hex(app.platform.files, newFile, record.sha256) &&
      storeUpdateRecord(app.platform.files, app.clientFolder, record))
    return true;
  app.log.write(support::selfUpdateNote(kLauncherVersion, version,
                                        std::string("refused, ") + kUpdateRecordFileName + " could not be written"));
  return false;
}

}  // namespace

bool selfUpdate(state::AppState& app) { return selfUpdate(app, patching::downloadFile); }

bool selfUpdate(state::AppState& app, const LauncherDownload& download) {
  using namespace ui::names;
  app.window.setCaption(kLabelUpdateInfo, app.convert(kChecking));
  std::string url = manifestAttribute(app.manifestDocument, kLauncherNode, "url");
  std::string version = manifestAttribute(app.manifestDocument, kLauncherNode, "ver");
  if (version.empty() || version == kLauncherVersion) {
    app.log.write(support::selfUpdateNote(kLauncherVersion, version, "not needed"));
    app.window.setCaption(kLabelUpdateInfo, app.convert(kUpToDate));
    return true;
  }
  std::string digest = manifestAttribute(app.manifestDocument, kLauncherNode, "sha256");
  if (offerAlreadyTaken(app, version, digest)) return true;
  bool checkDigest = digestDemanded(app, digest);
  std::string target = app.downloadCacheFolder + kTargetName;
  if (checkDigest && digest.size() != 64) return refuseNewLauncher(app, version, "the manifest vouches for no sha256");
  if (!ensureWritableFolders(app)) return false;
  app.window.setCaption(kLabelUpdateInfo, app.convert(kUpdating));
  app.window.setPosition(kProgressBar, 0);
  if (!enoughRoomForLauncher(app, target)) {
    app.log.write(support::selfUpdateNote(kLauncherVersion, version, "refused, not enough disk space"));
    app.end(state::Ending::kUpdateFailed);
    return false;
  }
  std::vector<std::string> mirrors = manifestMirrors(app.manifestDocument, kLauncherNode, url);
  std::string addresses = patching::downloadAddresses(url, mirrors, cacheBustingStamp(app.platform.system));
  int result = download(app, addresses, target, 1, 1);
  result = checkedResult(app, result, target + ".tmp");
  app.log.write(support::selfUpdateNote(kLauncherVersion, version, outcomeFor(result)));
  if (result == patching::kComplete && checkDigest &&
      !patching::fileMatchesSha256(app.platform.files, target + ".tmp", digest)) {
    // Nothing of a wrong file is kept, so it is neither installed nor resumed later.
    app.platform.files.deleteFile(target + ".tmp");
    app.platform.files.deleteFile(target + ".tmp.work");
    return refuseNewLauncher(app, version, "its sha256 differs from the manifest's");
  }
  const char* message = messageFor(result);
  std::string cause;
  if (result == patching::kIncomplete) message = patching::incompleteMessage(app, message, cause);
  app.messageBox(app.convert(message));
  bool usable = result == patching::kComplete && app.platform.files.exists(target + ".tmp");
  if (usable && rememberInstallation(app, version, target + ".tmp") && installLauncherUpdate(app, target + ".tmp"))
    return false;
  if (result == patching::kComplete && !usable)
    app.log.write(support::selfUpdateNote(kLauncherVersion, version, "refused, the new launcher is missing"));
  app.end(state::Ending::kUpdateFailed);
  return false;
}

}  // namespace startup
