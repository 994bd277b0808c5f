// What the patching steps leave in the support log: each evaluation result, each install with
// its retries, and every refusal with its cause.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "patching/file_download.h"
#include "patching/md5.h"
#include "patching/patch_install.h"
#include "patching/patch_evaluation.h"
#include "patching/patch_paths.h"
#include "patching/patch_update.h"
#include "patching_fixture.h"
#include "text/gbk.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using patching_test::gbk;

struct PatchLogTest : ::testing::Test {
  patching_test::Launcher launcher;
  patching_test::StrictFiles& files = launcher.files;
  std::map<std::string, std::string> served;  // url -> body the stand-in download writes
  int downloads = 0;
  static constexpr const char* kLog = "C:\\Game\\launcher.log";

  PatchLogTest() { launcher.app.log.open(kLog); }

  PatchEntry entry(const std::string& name, const std::string& path, const std::string& body,
                   const std::string& code = "", const std::string& isupdate = "true") {
    std::string url = "http://127.0.0.1:8080/" + name;
    PatchEntry e{name, path, "", std::to_string(body.size()), code, url, isupdate};
    e.localPath = systemLocalPath(launcher.app.platform.system, launcher.app.clientFolder, e);
    served[url] = body;
    return e;
  }
  void run() {
    runPatchUpdate(launcher.app, [this](state::AppState&, const std::string& url, const std::string& target, int,
                                        int) {
      ++downloads;
      files.writeWhole(target + ".tmp", served[url.substr(0, url.find('?'))]);
      return kComplete;
    });
  }
  std::string log() { return files.files.count(kLog) ? files.files[kLog] : ""; }
  void expectLine(const std::string& text) { EXPECT_NE(log().find(" " + text + "\r\n"), std::string::npos) << log(); }
};

// A system whose paths are UTF-8, like Linux: every text of the log, the GBK names of the
// manifest included, arrives as UTF-8.
TEST_F(PatchLogTest, EvaluationNotesEveryPatchInUtf8WithWhyItIsNeeded) {
  launcher.fake.system.codePage = 65001;
  launcher.fake.system.fileNames = [](const std::string& gbkText) { return text::gbkToUtf8(gbkText); };
  files.files["C:\\Game\\same.pak"] = "same";
  files.files["C:\\Game\\old.pak"] = "old";
  evaluateEntries(launcher.app,
                  {entry(gbk("新补丁.pak"), gbk("数据"), "x", md5Hex("x")), entry("same.pak", "", "same", md5Hex("same")),
                   entry("old.pak", "", "new", md5Hex("new"), "false"), entry("bad.pak", "..", "b")},
                  1);
  expectLine("check \"新补丁.pak\" at \"C:\\Game\\数据\\新补丁.pak\": needed online, file missing");
  expectLine("check \"same.pak\" at \"C:\\Game\\same.pak\": current");
  expectLine("check \"old.pak\" at \"C:\\Game\\old.pak\": needed by hand, file differs from CheckCode \"" +
             md5Hex("new") + "\"");
  expectLine("check \"bad.pak\" at \"C:\\Game\\..\\bad.pak\": needed online, unsafe location");
  expectLine("evaluation: patches needed online 2, by hand 1");
  EXPECT_EQ(log().find(gbk("新补丁")), std::string::npos) << "a GBK name reached the log unconverted";
}

TEST_F(PatchLogTest, InstallsNoteTheirRetriesAndTheEndOfTheRun) {
  files.files["C:\\Game\\a.pack"] = "old";
  files.heldAttempts["C:\\Game\\a.pack"] = 3;
  launcher.app.onlinePatches = {entry("a.pack", "", "new"), entry("b.pack", "", "bbb")};
  run();
  expectLine("install \"a.pack\" to \"C:\\Game\\a.pack\": installed, 3 retries while the file was held");
  expectLine("install \"b.pack\" to \"C:\\Game\\b.pack\": installed, 0 retries while the file was held");
  expectLine("update finished, patches installed: 2");
}

TEST_F(PatchLogTest, AFileHeldForGoodNamesItsHolderAndTheNextRunInstallsFromTheCache) {
  files.files["C:\\Game\\a.pack"] = "old";
  files.heldAttempts["C:\\Game\\a.pack"] = 1000;
  files.holders["C:\\Game\\a.pack"] = "Client.exe";
  launcher.app.onlinePatches = {entry("a.pack", "", "new", md5Hex("new"))};
  run();
  EXPECT_NE(log().find(" install \"a.pack\" to \"C:\\Game\\a.pack\": not installed, the file stays held, "),
            std::string::npos)
      << log();
  expectLine("refused \"a.pack\": \"C:\\Game\\a.pack\" is held by another program (\"Client.exe\")");

  files.heldAttempts.clear();
  run();
  EXPECT_EQ(downloads, 1);
  expectLine("install \"a.pack\" to \"C:\\Game\\a.pack\": installed from the download cache, 0 retries while the "
             "file was held");
}

TEST_F(PatchLogTest, EveryRefusalOfThePatchRunCarriesItsCause) {
  files.freeBytes = 50000;
  launcher.app.onlinePatches = {entry("big.pack", "", std::string(8000, 'b'))};
  run();
  expectLine("refused: not enough disk space, 73536 bytes needed, 50000 bytes free");
  EXPECT_EQ(downloads, 0);

  patching_test::Launcher second;
  second.app.log.open(kLog);
  PatchEntry wrong{"c.pack", "", "", "3", md5Hex("right"), "http://127.0.0.1/c.pack", "true"};
  wrong.localPath = "C:\\Game\\c.pack";
  PatchEntry unsafe{"NUL", "", "", "3", "", "http://127.0.0.1/nul", "true"};
  unsafe.localPath = "C:\\Game\\NUL";
  for (const PatchEntry& e : {wrong, unsafe}) {
    installPatch(second.app, e, 1, 1, [&](state::AppState&, const std::string&, const std::string& target, int, int) {
      second.files.writeWhole(target + ".tmp", "wrong");
      return kComplete;
    });
  }
  std::string body = second.files.files[kLog];
  EXPECT_NE(body.find(" refused \"c.pack\": check-code mismatch, the download does not have CheckCode \"" +
                      md5Hex("right") + "\"\r\n"),
            std::string::npos)
      << body;
  EXPECT_NE(body.find(" refused \"NUL\": unsafe location, "), std::string::npos) << body;

  patching_test::Launcher third;
  third.app.log.open(kLog);
  PatchEntry cut{"d.pack", "", "", "3", "", "http://127.0.0.1/d.pack", "true"};
  cut.localPath = "C:\\Game\\d.pack";
  installPatch(third.app, cut, 1, 1, [](state::AppState&, const std::string&, const std::string&, int, int) {
    return kIncomplete;
  });
  EXPECT_NE(third.files.files[kLog].find(" refused \"d.pack\": the download is incomplete\r\n"), std::string::npos)
      << third.files.files[kLog];
}

TEST_F(PatchLogTest, ARunningGameRefusalIsNoted) {
  launcher.fake.processes.processes = {{4242, "Client.exe"}};
  onStartUpdateClicked(launcher.app);
  expectLine("refused: the game is running, no update while it runs");
  EXPECT_TRUE(launcher.spawned.empty());
}

// The log is written before the message box, which waits for the player: a player who ends
// the launcher from the task manager instead of pressing OK still leaves the cause behind.
struct PeekingBackend : fakes::RecordingBackend {
  std::function<void()> peek;
  void messageBox(const std::string& text) override {
    peek();
    RecordingBackend::messageBox(text);
  }
};

TEST_F(PatchLogTest, TheCauseIsWrittenBeforeTheMessageBoxWaits) {
  std::string atMessage;
  PeekingBackend peeking;
  peeking.peek = [&] { atMessage = log(); };
  launcher.window.attach(&peeking);
  launcher.app.onlinePatches = {entry("x.pack", "..\\..", "x")};
  run();
  launcher.window.attach(&launcher.backend);
  ASSERT_EQ(peeking.messages.size(), 1u);
  EXPECT_NE(atMessage.find(" refused \"x.pack\": unsafe location, "), std::string::npos) << atMessage;
}

}  // namespace
}  // namespace patching
