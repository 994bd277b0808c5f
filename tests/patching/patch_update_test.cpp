#include "download/source_set.h"
#include <gtest/gtest.h>

#include <map>

#include "patching/disk_room.h"
#include "patching/file_download.h"
#include "patching/md5.h"
#include "patching/patch_install.h"
#include "patching/patch_paths.h"
#include "patching/patch_update.h"
#include "patching_fixture.h"
#include "startup/cache_busting.h"
#include "text/display_language.h"
#include "text/gbk.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using namespace ui::names;
using patching_test::gbk;

// Stands in for the download engine: writes what the "server" holds for the address into
// target + ".tmp" and answers with the scripted result.
struct ScriptedDownloads {
  struct Call {
    std::string url, target;
    int index, count;
    bool tmpExistedBefore;
  };
  explicit ScriptedDownloads(fakes::FakeFiles& files) : files(files) {}
  fakes::FakeFiles& files;
  std::map<std::string, std::string> served;  // url without query -> body
  std::map<std::string, int> results;         // url without query -> result (3 when absent)
  std::vector<Call> calls;

  int operator()(state::AppState&, const std::string& url, const std::string& target, int index, int count) {
    std::string bare = url.substr(0, url.find('?'));
    std::string tmp = target + ".tmp";
    calls.push_back({url, target, index, count, files.exists(tmp)});
    int result = results.count(bare) ? results[bare] : patching::kComplete;
    if (result == patching::kNotStarted) return result;
    std::string body = served[bare];
    if (result == patching::kIncomplete) {
      files.writeWhole(tmp, body.substr(0, body.size() / 2));
      files.writeWhole(tmp + ".work", "state");
    } else {
      files.writeWhole(tmp, body);
    }
    return result;
  }
};

struct PatchUpdateTest : ::testing::Test {
  patching_test::Launcher launcher;
  patching_test::StrictFiles& files = launcher.files;
  ScriptedDownloads downloads{files};

  void addOnline(const std::string& name, const std::string& path, const std::string& body,
                 const std::string& code = "") {
    std::string url = "http://127.0.0.1:8080/patches/" + name;
    PatchEntry e{name, path, "", std::to_string(body.size()), code, url, "true"};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    launcher.app.onlinePatches.push_back(e);
    downloads.served[url] = body;
  }
  void addManual(const std::string& name, const std::string& url) {
    PatchEntry e{name, "", "", "1", "", url, "false"};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    launcher.app.manualPatches.push_back(e);
  }
  void run() {
    runPatchUpdate(launcher.app, [this](state::AppState& app, const std::string& url, const std::string& target,
                                        int index, int count) { return downloads(app, url, target, index, count); });
  }
  std::string file(const std::string& path) { return files.files.count(path) ? files.files[path] : "<missing>"; }
  std::vector<std::string> cacheFiles() {
    std::vector<std::string> out;
    for (const auto& [path, bytes] : files.files)
      if (path.rfind(launcher.app.downloadCacheFolder, 0) == 0) out.push_back(path.substr(launcher.app.downloadCacheFolder.size()));
    return out;
  }
  std::vector<std::string> boxes() { return launcher.backend.messages; }
  void expectFinished() {
    EXPECT_FALSE(launcher.ended());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(launcher.component(kLabelUpdateInfo).caption, gbk("更新完毕, 祝你游戏愉快！"));
    EXPECT_FALSE(launcher.component(kButtonStartUpdate).visible);
    EXPECT_TRUE(launcher.component(kButtonStartGame).enabled);
  }
  void expectFailed(const std::string& message) {
    EXPECT_EQ(boxes(), std::vector<std::string>{message});
    EXPECT_EQ(launcher.fake.system.endCodes, std::vector<int>{0});
    EXPECT_TRUE(launcher.component(kButtonStartUpdate).visible);
    EXPECT_FALSE(launcher.component(kButtonStartGame).enabled);
  }

  void SetUp() override {
    launcher.window.setVisible(kButtonStartUpdate, true);
    launcher.window.setEnabled(kButtonStartUpdate, false);
    launcher.window.setEnabled(kButtonStartGame, false);
    launcher.window.setPosition(kProgressBar, 77);
  }
};

// A system whose paths are UTF-8: the folder it gave stays as it is, while the manifest's GBK
// names and folders (split while GBK: "\xB5\x5C" ends in '\') are spelled its way before they
// are joined to it. The messages still show the name as the manifest has it.
TEST_F(PatchUpdateTest, APatchsAlternatesTravelWithItsAddressEachWithTheStamp) {
  addOnline("a.pak", "", "AAAA");
  launcher.app.onlinePatches[0].mirrors = {"http://127.0.0.2/a.pak", "http://127.0.0.3/p/a.pak"};
  run();
  ASSERT_EQ(downloads.calls.size(), 1u);
  std::vector<std::string> addresses = download::splitAddresses(downloads.calls[0].url);
  ASSERT_EQ(addresses.size(), 3u);
  std::string stamp = addresses[0].substr(addresses[0].find("?t="));
  EXPECT_EQ(addresses[0], "http://127.0.0.1:8080/patches/a.pak" + stamp);
  EXPECT_EQ(addresses[1], "http://127.0.0.2/a.pak" + stamp);
  EXPECT_EQ(addresses[2], "http://127.0.0.3/p/a.pak" + stamp);
  EXPECT_EQ(file(launcher.app.onlinePatches[0].localPath), "AAAA");
}

TEST_F(PatchUpdateTest, ManifestNamesAreSpelledAsTheSystemsPathsWhereTheyMeetItsFolder) {
  launcher.fake.system.fileNames = [](const std::string& text) { return text::gbkToUtf8(text); };
  launcher.app.clientFolder = "C:\\Spieler \xC3\x96lm\xC3\xBChle\\";  // UTF-8 Ölmühle
  launcher.app.downloadCacheFolder = launcher.app.clientFolder + "DownloadCache\\";
  files.directories = {"C:", "C:\\Spieler \xC3\x96lm\xC3\xBChle", "C:\\Spieler \xC3\x96lm\xC3\xBChle\\DownloadCache"};
  const std::string folder = gbk("数据\\") + "\xB5\x5C";  // 数据\礬
  PatchEntry e{gbk("补丁.pak"), folder, "", "5", "", "http://127.0.0.1/p", "true"};
  e.localPath = systemLocalPath(launcher.app.platform.system, launcher.app.clientFolder, e);
  EXPECT_EQ(e.localPath, launcher.app.clientFolder + "数据\\礬\\补丁.pak");
  launcher.app.onlinePatches.push_back(e);
  downloads.served["http://127.0.0.1/p"] = "bytes";
  downloads.results["http://127.0.0.1/p"] = kIncomplete;
  run();
  ASSERT_EQ(downloads.calls.size(), 1u);
  EXPECT_EQ(downloads.calls[0].target, launcher.app.downloadCacheFolder + "补丁.pak");
  EXPECT_EQ(boxes(), std::vector<std::string>{gbk("补丁.pak更新异常终止,请关闭登录器稍后尝试!")});

  patching_test::Launcher again;
  again.fake.system.fileNames = launcher.fake.system.fileNames;
  again.app.clientFolder = launcher.app.clientFolder;
  again.app.downloadCacheFolder = launcher.app.downloadCacheFolder;
  again.files.directories = files.directories;
  again.app.onlinePatches.push_back(e);
  ScriptedDownloads complete{again.files};
  complete.served["http://127.0.0.1/p"] = "bytes";
  runPatchUpdate(again.app, [&](state::AppState& app, const std::string& url, const std::string& target, int i,
                                int n) { return complete(app, url, target, i, n); });
  EXPECT_TRUE(again.files.directories.count(launcher.app.clientFolder + "数据\\礬")) << "folders spelled as UTF-8";
  EXPECT_EQ(again.files.files[launcher.app.clientFolder + "数据\\礬\\补丁.pak"], "bytes");
}

TEST_F(PatchUpdateTest, OnlinePatchesInstalledInOrderIntoTheirFolders) {
  files.directories.insert("C:\\Game\\data");
  addOnline("root.pack", "", "root bytes");
  addOnline("in-data.pack", "data", "data bytes");
  addOnline("new-folder.pack", "maps", "maps bytes");
  addOnline("deep.pack", "a\\b\\c", "deep bytes");
  run();

  ASSERT_EQ(downloads.calls.size(), 4u);
  std::string stamp = startup::cacheBustingStamp(launcher.fake.system);
  EXPECT_EQ(downloads.calls[0].url, "http://127.0.0.1:8080/patches/root.pack?t=" + stamp);
  EXPECT_EQ(downloads.calls[0].target, "C:\\Game\\DownloadCache\\root.pack");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(downloads.calls[i].index, i + 1);
    EXPECT_EQ(downloads.calls[i].count, 4);
  }
  EXPECT_EQ(file("C:\\Game\\root.pack"), "root bytes");
  EXPECT_EQ(file("C:\\Game\\data\\in-data.pack"), "data bytes");
  EXPECT_EQ(file("C:\\Game\\maps\\new-folder.pack"), "maps bytes");
  EXPECT_EQ(file("C:\\Game\\a\\b\\c\\deep.pack"), "deep bytes");
  EXPECT_TRUE(files.isDirectory("C:\\Game\\a\\b"));
  EXPECT_TRUE(cacheFiles().empty());
  EXPECT_EQ(launcher.component(kProgressBar).position, 0);
  expectFinished();
}

TEST_F(PatchUpdateTest, ExistingFileIsReplaced) {
  files.files["C:\\Game\\a.pack"] = "old";
  addOnline("a.pack", "", "new");
  run();
  EXPECT_EQ(file("C:\\Game\\a.pack"), "new");
  EXPECT_TRUE(cacheFiles().empty());
  expectFinished();
}

TEST_F(PatchUpdateTest, TwoPatchesSharingACacheNameEachStartFresh) {
  files.directories.insert("C:\\Game\\x");
  addOnline("same.pack", "", "first");
  addOnline("same.pack", "x", "second");
  downloads.served["http://127.0.0.1:8080/patches/same.pack"] = "both";
  run();
  ASSERT_EQ(downloads.calls.size(), 2u);
  EXPECT_FALSE(downloads.calls[1].tmpExistedBefore);
  EXPECT_EQ(file("C:\\Game\\same.pack"), "both");
  EXPECT_EQ(file("C:\\Game\\x\\same.pack"), "both");
  expectFinished();
}

TEST_F(PatchUpdateTest, DownloadNotStartedEndsWithTheName) {
  addOnline("a.pack", "", "aaa");
  addOnline("b.pack", "", "bbb");
  downloads.results["http://127.0.0.1:8080/patches/a.pack"] = patching::kNotStarted;
  run();
  EXPECT_EQ(downloads.calls.size(), 1u);
  expectFailed("a.pack" + gbk("创建任务失败!"));
}

TEST_F(PatchUpdateTest, IncompleteDownloadEndsAndLeavesTheCacheForResuming) {
  addOnline("a.pack", "", "aaa");
  addOnline("b.pack", "", "bbbbbb");
  downloads.results["http://127.0.0.1:8080/patches/b.pack"] = patching::kIncomplete;
  run();
  EXPECT_EQ(file("C:\\Game\\a.pack"), "aaa");
  EXPECT_EQ(file("C:\\Game\\b.pack"), "<missing>");
  EXPECT_EQ(cacheFiles(), (std::vector<std::string>{"b.pack.tmp", "b.pack.tmp.work"}));
  expectFailed("b.pack" + gbk("更新异常终止,请关闭登录器稍后尝试!"));
}

TEST_F(PatchUpdateTest, MoveFailureKeepsTheDownloadedFile) {
  files.files["C:\\Game\\x"] = "a file where the folder should be";
  addOnline("a.pack", "x", "new");
  uint32_t before = launcher.fake.system.tick;
  run();
  EXPECT_EQ(launcher.fake.system.tick, before);  // nothing to wait for
  EXPECT_EQ(cacheFiles(), std::vector<std::string>{"a.pack.tmp"});
  expectFailed("a.pack" + gbk("更新异常0x0001"));
}

TEST_F(PatchUpdateTest, MessagesAreConvertedForDisplayAfterTheRawName) {
  patching_test::Launcher tc(text::DisplayCode::TC);
  ScriptedDownloads none{tc.files};
  PatchEntry e{"a.pack", "", "C:\\Game\\a.pack", "1", "", "http://h/a.pack", "true"};
  tc.app.onlinePatches.push_back(e);
  none.results["http://h/a.pack"] = patching::kNotStarted;
  runPatchUpdate(tc.app, [&none](state::AppState& app, const std::string& url, const std::string& target, int i,
                                 int n) { return none(app, url, target, i, n); });
  EXPECT_EQ(tc.backend.messages,
            std::vector<std::string>{"a.pack" + text::convertForDisplay(text::DisplayCode::TC, gbk("创建任务失败!"))});
}

TEST_F(PatchUpdateTest, UnsafeNamesAndPathsAreNeverDownloaded) {
  const std::pair<std::string, std::string> cases[] = {
      {"..\\launcher.exe", ""}, {"evil.dll", "..\\.."}, {"evil.dll", "C:\\Windows"}, {"evil.dll", "\\Windows"},
      {"a:b.pack", ""},         {"a.pack", "da*ta"},    {"", "data"},
  };
  for (const auto& [name, path] : cases) {
    patching_test::Launcher one;
    ScriptedDownloads scripted{one.files};
    PatchEntry e{name, path, "", "1", "", "http://h/x", "true"};
    e.localPath = localPathOf(one.app.clientFolder, e);
    one.app.onlinePatches.push_back(e);
    runPatchUpdate(one.app, [&scripted](state::AppState& app, const std::string& url, const std::string& target, int i,
                                        int n) { return scripted(app, url, target, i, n); });
    EXPECT_TRUE(scripted.calls.empty()) << name << " in " << path;
    EXPECT_EQ(one.backend.messages,
              std::vector<std::string>{name + gbk("补丁的文件名或目录无效,已停止更新,请联系游戏管理员!")});
    EXPECT_EQ(one.fake.system.endCodes, std::vector<int>{0});
  }
}

TEST_F(PatchUpdateTest, PatchesBeforeAnUnsafeOneAreInstalled) {
  addOnline("good.pack", "", "good");
  addOnline("bad.pack", "..", "bad");
  run();
  EXPECT_EQ(file("C:\\Game\\good.pack"), "good");
  EXPECT_EQ(downloads.calls.size(), 1u);
  expectFailed("bad.pack" + gbk("补丁的文件名或目录无效,已停止更新,请联系游戏管理员!"));
}

TEST_F(PatchUpdateTest, DownloadThatFailsItsCheckCodeIsDeleted) {
  files.files["C:\\Game\\a.pack"] = "old";
  addOnline("a.pack", "", "<html>error page</html>", md5Hex("the real patch"));
  run();
  EXPECT_EQ(file("C:\\Game\\a.pack"), "old");
  EXPECT_TRUE(cacheFiles().empty());
  expectFailed("a.pack" + gbk("下载的文件校验失败,请关闭登录器稍后尝试!"));
}

TEST_F(PatchUpdateTest, MatchingAndUncheckableCodesAreInstalled) {
  std::string header = "0123456789abcdef" + std::string("\x10\x11\x12\x13\x14\x15\x16\x17", 8) + "tail of the file";
  addOnline("md5.pack", "", "payload", md5Hex("payload"));
  addOnline("header.pack", "", header, "1011121314151617");
  addOnline("lower.pack", "", "x", "9dd4e461268c8034f5c8564e155c67a6");  // lower case: never checked
  addOnline("odd.pack", "", "y", "12345");
  run();
  EXPECT_EQ(file("C:\\Game\\md5.pack"), "payload");
  EXPECT_EQ(file("C:\\Game\\header.pack"), header);
  EXPECT_EQ(file("C:\\Game\\lower.pack"), "x");
  EXPECT_EQ(file("C:\\Game\\odd.pack"), "y");
  expectFinished();
}

TEST_F(PatchUpdateTest, ManualPatchesAreListedOpenedAndEndTheLauncher) {
  addManual("m1.pack", "http://example.test/m1.pack");
  addManual(gbk("补丁二.pack").c_str(), "http://example.test/m2.pack");
  uint32_t before = launcher.fake.system.tick;
  run();
  EXPECT_TRUE(downloads.calls.empty());
  std::string expected = gbk("需要手动下载补丁目录") + "\r\n" + gbk("补丁名：") + "m1.pack" + gbk(" 下载地址 ") +
                         "http://example.test/m1.pack\r\n" + gbk("补丁名：补丁二.pack 下载地址 ") +
                         "http://example.test/m2.pack\r\n";
  EXPECT_EQ(file("C:\\Game\\PatchList.txt"), expected);
  ASSERT_EQ(launcher.fake.shell.calls.size(), 1u);
  EXPECT_EQ(launcher.fake.shell.calls[0].verb, "");
  EXPECT_EQ(launcher.fake.shell.calls[0].file, "C:\\Game\\PatchList.txt");
  EXPECT_GE(launcher.fake.system.tick - before, 1000u);
  EXPECT_GT(launcher.fake.processes.pumps, 0);
  EXPECT_EQ(launcher.fake.system.endCodes, std::vector<int>{0});
  EXPECT_TRUE(boxes().empty());
  EXPECT_NE(launcher.component(kLabelUpdateInfo).caption, gbk("更新完毕, 祝你游戏愉快！"));
}

TEST_F(PatchUpdateTest, OnlinePatchesComeBeforeTheManualList) {
  addOnline("a.pack", "", "aaa");
  addManual("m.pack", "http://example.test/m.pack");
  run();
  EXPECT_EQ(file("C:\\Game\\a.pack"), "aaa");
  EXPECT_NE(file("C:\\Game\\PatchList.txt"), "<missing>");
  EXPECT_EQ(launcher.fake.system.endCodes, std::vector<int>{0});
  EXPECT_FALSE(launcher.component(kButtonStartGame).enabled);
}

TEST_F(PatchUpdateTest, ClickRunsTheUpdateOnTheSpawnedThread) {
  onStartUpdateClicked(launcher.app);
  ASSERT_EQ(launcher.spawned.size(), 1u);
  EXPECT_TRUE(launcher.app.patchWorkerRunning);  // an unattended window must not end yet
  launcher.spawned[0]();  // no patches: the run finishes at once
  expectFinished();
  EXPECT_FALSE(launcher.app.patchWorkerRunning);
}

// On a traditional-Chinese system the status line and the list's header line are converted;
// the list's labels are written as stored, beside names and addresses that are never converted.
TEST(PatchUpdateTexts, ConvertedWhereTheyAreShown) {
  auto tc = [](const char* utf8) { return text::convertForDisplay(text::DisplayCode::TC, gbk(utf8)); };
  auto noDownload = [](state::AppState&, const std::string&, const std::string&, int, int) {
    ADD_FAILURE() << "nothing to download";
    return patching::kNotStarted;
  };

  patching_test::Launcher finished(text::DisplayCode::TC);
  runPatchUpdate(finished.app, noDownload);
  EXPECT_EQ(finished.component(kLabelUpdateInfo).caption, tc("更新完毕, 祝你游戏愉快！"));

  patching_test::Launcher manual(text::DisplayCode::TC);
  PatchEntry e{gbk("补丁二.pack"), "", "", "1", "", "http://example.test/m2.pack", "false"};
  e.localPath = localPathOf(manual.app.clientFolder, e);
  manual.app.manualPatches.push_back(e);
  runPatchUpdate(manual.app, noDownload);
  ASSERT_NE(tc("补丁名："), gbk("补丁名："));
  EXPECT_EQ(manual.files.files["C:\\Game\\PatchList.txt"],
            tc("需要手动下载补丁目录") + "\r\n" + gbk("补丁名：补丁二.pack 下载地址 http://example.test/m2.pack") + "\r\n");
}

// Free space: what the pending patches still need is compared before anything downloads.
TEST_F(PatchUpdateTest, TooLittleRoomDownloadsNothing) {
  addOnline("a.pack", "", std::string(3000, 'a'));
  addOnline("b.pack", "", std::string(5000, 'b'));
  files.freeBytes = 70000;  // needs 8000 + the ".work" of 64 KB beside the second: 73536
  run();
  EXPECT_TRUE(downloads.calls.empty());
  expectFailed(gbk("磁盘空间不足,需要71.81KB,可用空间只有68.36KB,请清理磁盘后再尝试!"));

  patching_test::Launcher exact;
  ScriptedDownloads fits{exact.files};
  exact.files.freeBytes = 73536;
  exact.app.onlinePatches = launcher.app.onlinePatches;
  runPatchUpdate(exact.app, [&fits](state::AppState& app, const std::string& url, const std::string& target, int i,
                                    int n) { return fits(app, url, target, i, n); });
  EXPECT_EQ(fits.calls.size(), 2u);
  EXPECT_FALSE(exact.ended());
}

TEST_F(PatchUpdateTest, RoomCountsOnlyWhatTheCacheDoesNotHold) {
  const std::string cache = launcher.app.downloadCacheFolder;
  addOnline("resumed.pack", "", std::string(1000, 'r'));
  files.files[cache + "resumed.pack.tmp"] = std::string(1000, '\0');
  files.files[cache + "resumed.pack.tmp.work"] = "state";
  addOnline("stale.pack", "", std::string(1000, 's'));
  files.files[cache + "stale.pack.tmp"] = std::string(400, '\0');
  addOnline("unsized.pack", "", "u");
  launcher.app.onlinePatches.back().size = "";
  EXPECT_EQ(roomForPatches(launcher.app, launcher.app.onlinePatches), 600 + kWorkFileRoom);

  files.freeBytes = -1;  // a volume that cannot tell does not stop the update
  run();
  expectFinished();
}

TEST_F(PatchUpdateTest, DiskThatFillsDuringADownloadSaysSo) {
  addOnline("a.pack", "", "aaa");
  runPatchUpdate(launcher.app, [this](state::AppState&, const std::string&, const std::string&, int, int) {
    files.freeBytes = 0;
    return patching::kIncomplete;
  });
  expectFailed("a.pack" + gbk("磁盘空间不足,需要64.00KB,可用空间只有0B,请清理磁盘后再尝试!"));
}

// A target another program holds is tried again for about ten seconds.
TEST_F(PatchUpdateTest, HeldTargetInstallsOnceReleased) {
  files.files["C:\\Game\\a.pack"] = "old";
  files.heldAttempts["C:\\Game\\a.pack"] = 3;
  addOnline("a.pack", "", "new");
  uint32_t before = launcher.fake.system.tick;
  run();
  EXPECT_EQ(launcher.fake.system.tick - before, 100u + 200u + 400u);
  EXPECT_EQ(file("C:\\Game\\a.pack"), "new");
  expectFinished();
}

TEST_F(PatchUpdateTest, TargetHeldForGoodNamesFileAndHolderAndNextRunInstallsFromTheCache) {
  files.files["C:\\Game\\a.pack"] = "old";
  files.heldAttempts["C:\\Game\\a.pack"] = 1000;
  files.holders["C:\\Game\\a.pack"] = "Client.exe";
  addOnline("a.pack", "", "new", md5Hex("new"));
  uint32_t before = launcher.fake.system.tick;
  run();
  uint32_t waited = launcher.fake.system.tick - before;
  EXPECT_GE(waited, 10000u);
  EXPECT_LE(waited, 12000u);
  EXPECT_EQ(file("C:\\Game\\a.pack"), "old");
  EXPECT_EQ(cacheFiles(), std::vector<std::string>{"a.pack.tmp"});
  expectFailed("a.pack" + gbk("被其他程序占用,无法替换! 占用程序:") + "Client.exe");

  files.heldAttempts.clear();
  downloads.served.clear();  // a second download would install an empty file
  run();
  EXPECT_EQ(downloads.calls.size(), 1u);
  EXPECT_EQ(file("C:\\Game\\a.pack"), "new");
  EXPECT_TRUE(cacheFiles().empty());
}

// A copy over the old file that the disk refuses fails like a held one; the player is told of
// the disk, the old file stays, and the download stays in the cache for the next run.
TEST_F(PatchUpdateTest, FullDiskThatRefusesTheCopyOverTheOldFileSaysSoRatherThanHeld) {
  files.files["C:\\Game\\a.pack"] = "old";
  files.heldAttempts["C:\\Game\\a.pack"] = 1000;
  files.holders["C:\\Game\\a.pack"] = "Client.exe";
  addOnline("a.pack", "", "new", md5Hex("new"));
  runPatchUpdate(launcher.app, [this](state::AppState& app, const std::string& url, const std::string& target,
                                      int index, int count) {
    int result = downloads(app, url, target, index, count);
    files.freeBytes = 1;
    return result;
  });
  EXPECT_EQ(file("C:\\Game\\a.pack"), "old");
  EXPECT_EQ(cacheFiles(), std::vector<std::string>{"a.pack.tmp"});
  expectFailed("a.pack" + gbk("磁盘空间不足,需要3B,可用空间只有1B,请清理磁盘后再尝试!"));
}

TEST_F(PatchUpdateTest, CachedFileThatFailsItsCodeIsFetchedAgain) {
  addOnline("a.pack", "", "new", md5Hex("new"));
  addOnline("b.pack", "", "plain");
  files.files["C:\\Game\\DownloadCache\\a.pack.tmp"] = std::string(3, '\0');
  files.files["C:\\Game\\DownloadCache\\b.pack.tmp"] = "plain";
  run();
  EXPECT_EQ(downloads.calls.size(), 2u);
  EXPECT_EQ(file("C:\\Game\\a.pack"), "new");
  expectFinished();
}

// A copy that reached its place is installed even when the cache copy cannot be removed.
TEST(MoveIntoPlace, CopyThatCannotDeleteItsSourceStillCounts) {
  struct UndeletableFiles : fakes::FakeFiles {
    bool deleteFile(const std::string&) override { return false; }
  } files;
  files.files["C:\\Game\\DownloadCache\\a.pack.tmp"] = "new";
  files.files["C:\\Game\\a.pack"] = "old";
  EXPECT_TRUE(moveIntoPlace(files, "C:\\Game\\DownloadCache\\a.pack.tmp", "C:\\Game\\a.pack"));
  EXPECT_EQ(files.files["C:\\Game\\a.pack"], "new");
  EXPECT_FALSE(moveIntoPlace(files, "C:\\Game\\DownloadCache\\missing.tmp", "C:\\Game\\a.pack"));
}

}  // namespace
}  // namespace patching
