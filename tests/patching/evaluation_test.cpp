#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "patching/md5.h"
#include "patching/patch_evaluation.h"
#include "patching/patch_paths.h"
#include "patching_fixture.h"
#include "platform/posix/host_text.h"
#include "platform/posix/posix_files.h"
#include "startup/manifest_document.h"
#include "text/display_language.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using namespace ui::names;
using patching_test::gbk;

struct EvaluationTest : ::testing::Test {
  patching_test::Launcher launcher;

  PatchEntry entry(const std::string& name, const std::string& path, const std::string& code,
                   const std::string& isupdate, const std::string& size = "0") {
    PatchEntry e{name, path, "", size, code, "http://127.0.0.1/" + name, isupdate};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    return e;
  }
  std::string status() const { return launcher.component(kLabelUpdateInfo).caption; }
  static std::vector<std::string> names(const std::vector<PatchEntry>& list) {
    std::vector<std::string> out;
    for (const auto& e : list) out.push_back(e.name);
    return out;
  }
};

TEST_F(EvaluationTest, NothingNeededLeavesTheButtonHidden) {
  launcher.files.files["C:\\Game\\a.pack"] = "abc";
  evaluateEntries(launcher.app, {entry("a.pack", "", md5Hex("abc"), "true")}, 1);
  EXPECT_EQ(status(), gbk("当前客户端无需更新的文件，祝你游戏愉快！"));
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).visible);
  EXPECT_TRUE(launcher.app.onlinePatches.empty());
  EXPECT_TRUE(launcher.app.manualPatches.empty());
}

TEST_F(EvaluationTest, SortsNeededEntriesInManifestOrderAndSumsSizes) {
  auto& files = launcher.files.files;
  files["C:\\Game\\data\\current.pack"] = "same";
  files["C:\\Game\\changed.pack"] = "old";
  evaluateEntries(launcher.app,
                  {entry("missing1.pack", "", md5Hex("x"), "true", "1048576"),
                   entry("current.pack", "data", md5Hex("same"), "true", "5"),
                   entry("manual1.pack", "", "", "True", "512"),
                   entry("changed.pack", "", md5Hex("new"), "true", gbk("５１２")),
                   entry("manual2.pack", "data", "", "false", "1024"),
                   entry("manual3.pack", "", "", "", "junk")},
                  1);
  EXPECT_EQ(names(launcher.app.onlinePatches), (std::vector<std::string>{"missing1.pack", "changed.pack"}));
  EXPECT_EQ(names(launcher.app.manualPatches),
            (std::vector<std::string>{"manual1.pack", "manual2.pack", "manual3.pack"}));
  EXPECT_EQ(status(), gbk("发现新的更新文件 在线更新:2 总大小:1.00MB 手动更新:3 总大小:1.50KB"));
  EXPECT_TRUE(launcher.component(kButtonStartUpdate).visible);
  EXPECT_TRUE(launcher.component(kButtonStartUpdate).enabled);
}

TEST_F(EvaluationTest, OnlyManualPatchesStillRevealTheButton) {
  evaluateEntries(launcher.app, {entry("m1", "", "", "TRUE", "10"), entry("m2", "", "", "yes", "20")}, 1);
  EXPECT_EQ(status(), gbk("发现新的更新文件 在线更新:0 总大小:0B 手动更新:2 总大小:30B"));
  EXPECT_TRUE(launcher.component(kButtonStartUpdate).visible);
}

TEST_F(EvaluationTest, HeaderCodeEntriesAndPathJoining) {
  std::string header(32, 'h');
  header.replace(16, 8, "\x01\x02\x03\x04\xA5\xB6\xC7\xD8", 8);
  launcher.files.files["C:\\Game\\data\\a.pack"] = header + "rest of a large file";
  evaluateEntries(launcher.app,
                  {entry("a.pack", "data", "01020304A5B6C7D8", "true"),   // current in data\ .
                   entry("a.pack", "", "01020304A5B6C7D8", "true"),       // not in the client folder itself
                   entry("a.pack", "data", "01020304a5b6c7d8", "true")},  // lower case never matches
                  1);
  ASSERT_EQ(launcher.app.onlinePatches.size(), 2u);
  EXPECT_EQ(launcher.app.onlinePatches[0].localPath, "C:\\Game\\a.pack");
  EXPECT_EQ(launcher.app.onlinePatches[1].localPath, "C:\\Game\\data\\a.pack");
}

TEST_F(EvaluationTest, LocationsThatInstallationRefusesAreNeededWithoutBeingOpened) {
  // Were they opened, the last three would match their codes: the refusal decides, not a read.
  auto& files = launcher.files.files;
  const std::string zero(16, '\0');
  files["C:\\Game\\..\\..\\..\\dev\\zero"] = zero;
  files["C:\\Game\\NUL"] = "abc";
  files["C:\\Game\\data\\CON.txt"] = "abc";
  evaluateEntries(launcher.app,
                  {entry("zero", "..\\..\\..\\dev", std::string(32, '0'), "true"),
                   entry("zero", "..\\..\\..\\dev", "0000000000000000", "true"),
                   entry("NUL", "", md5Hex("abc"), "true"), entry("CON.txt", "data", md5Hex("abc"), "no")},
                  2);
  EXPECT_EQ(launcher.files.readCalls, 0);
  EXPECT_EQ(names(launcher.app.onlinePatches), (std::vector<std::string>{"zero", "zero", "NUL"}));
  EXPECT_EQ(names(launcher.app.manualPatches), std::vector<std::string>{"CON.txt"});
  EXPECT_TRUE(launcher.component(kButtonStartUpdate).visible);
}

// On a real disk: what only looks like a file by its name is never read as one.
TEST(EvaluationOnDisk, AFifoOrAFolderAtThePatchPlaceIsNeeded) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("evaluation-" + std::to_string(::getpid()));
  fs::create_directories(dir / "folder.pack");
  ASSERT_EQ(::mkfifo((dir / "fifo.pack").c_str(), 0600), 0);
  // Held open for writing, with a header in it, so that reading it would neither block nor fail.
  int writer = ::open((dir / "fifo.pack").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  std::string header(32, 'h');
  ASSERT_EQ(::write(writer, header.data(), header.size()), 32);
  std::ofstream(dir / "plain.pack") << header;

  fakes::FakePlatform fake;
  platform::posix::PosixFiles files;
  platform::Platform bundle{fake.system, files,          fake.processes, fake.instance, fake.presence,
                            fake.http,   fake.network,   fake.registry,  fake.shell,    fake.ini,
                            fake.shortcuts, fake.starter};
  ui::Window window(text::DisplayCode::SC);
  state::AppState app(bundle, window, text::DisplayCode::SC);
  app.clientFolder = platform::posix::launcherPath(dir.string()) + "\\";
  std::vector<PatchEntry> entries;
  for (const char* name : {"fifo.pack", "folder.pack", "plain.pack"}) {
    PatchEntry e{name, "", "", "32", "6868686868686868", "http://127.0.0.1/x", "true"};
    e.localPath = localPathOf(app.clientFolder, e);
    entries.push_back(e);
  }
  evaluateEntries(app, entries, 1);
  ::close(writer);
  fs::remove_all(dir);
  std::vector<std::string> needed;
  for (const auto& e : app.onlinePatches) needed.push_back(e.name);
  EXPECT_EQ(needed, (std::vector<std::string>{"fifo.pack", "folder.pack"}));
}

TEST_F(EvaluationTest, AnEarlierResultIsReplaced) {
  evaluateEntries(launcher.app, {entry("a", "", "", "true"), entry("b", "", "", "no")}, 1);
  evaluateEntries(launcher.app, {entry("c", "", "", "true")}, 1);
  EXPECT_EQ(names(launcher.app.onlinePatches), std::vector<std::string>{"c"});
  EXPECT_TRUE(launcher.app.manualPatches.empty());
}

TEST_F(EvaluationTest, ReadsEachEntrysAlternatesAndThoseOfTheMirrorList) {
  std::string xml =
      "<UpdateInfo><MirrorList base=\"http://h/p\"><M base=\"http://m/q\"/></MirrorList><PatchList>"
      "<Patch name=\"a.pack\" url=\"http://h/p/a.pack\" mirrors=\"http://n/a.pack|http://o/a.pack\"/>"
      "<Patch name=\"b.pack\" url=\"http://elsewhere/b.pack\"/>"
      "</PatchList></UpdateInfo>";
  ASSERT_TRUE(startup::parseManifest(launcher.app.manifestDocument, xml));
  auto entries = readPatchEntries(launcher.app);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].url, "http://h/p/a.pack");
  EXPECT_EQ(entries[0].mirrors, (std::vector<std::string>{"http://n/a.pack", "http://o/a.pack", "http://m/q/a.pack"}));
  EXPECT_TRUE(entries[1].mirrors.empty());
}

TEST_F(EvaluationTest, ReadsTheEntriesFromTheManifest) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?><UpdateInfo><PatchList>"
      "<Patch name=\"a.pack\" path=\"data\" size=\"12\" CheckCode=\"0011\" url=\"http://h/a.pack\" isupdate=\"true\"/>"
      "<Patch name=\"b.pack\" url=\"http://h/b.pack\"/>"
      "</PatchList></UpdateInfo>";
  ASSERT_TRUE(startup::parseManifest(launcher.app.manifestDocument, xml));
  auto entries = readPatchEntries(launcher.app);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "a.pack");
  EXPECT_EQ(entries[0].path, "data");
  EXPECT_EQ(entries[0].size, "12");
  EXPECT_EQ(entries[0].CheckCode, "0011");
  EXPECT_EQ(entries[0].url, "http://h/a.pack");
  EXPECT_EQ(entries[0].isupdate, "true");
  EXPECT_EQ(entries[0].localPath, "C:\\Game\\data\\a.pack");
  EXPECT_EQ(entries[1].path, "");
  EXPECT_EQ(entries[1].isupdate, "");
  EXPECT_EQ(entries[1].localPath, "C:\\Game\\b.pack");

  EXPECT_TRUE(entries[0].mirrors.empty());

  evaluatePatchList(launcher.app, 1);
  EXPECT_EQ(names(launcher.app.onlinePatches), std::vector<std::string>{"a.pack"});
  EXPECT_EQ(names(launcher.app.manualPatches), std::vector<std::string>{"b.pack"});
}

// The two evaluation texts are shown as stored, whatever the display language, unlike the
// messages of the update itself.
TEST(EvaluationTexts, ShownUnconvertedOnATraditionalChineseSystem) {
  patching_test::Launcher tc(text::DisplayCode::TC);
  const std::string nothing = gbk("当前客户端无需更新的文件，祝你游戏愉快！");
  ASSERT_NE(text::convertForDisplay(text::DisplayCode::TC, nothing), nothing);
  ASSERT_TRUE(startup::parseManifest(tc.app.manifestDocument,
                                     "<?xml version=\"1.0\" encoding=\"gb2312\"?><UpdateInfo><PatchList>"
                                     "</PatchList></UpdateInfo>"));
  evaluatePatchList(tc.app, 1);  // an empty patch list
  EXPECT_EQ(tc.component(kLabelUpdateInfo).caption, nothing);
  EXPECT_FALSE(tc.component(kButtonStartUpdate).visible);

  PatchEntry e{"a.pack", "", "", "2048", "", "http://h/a.pack", "true"};
  e.localPath = localPathOf(tc.app.clientFolder, e);
  evaluateEntries(tc.app, {e}, 1);
  EXPECT_EQ(tc.component(kLabelUpdateInfo).caption,
            gbk("发现新的更新文件 在线更新:1 总大小:2.00KB 手动更新:0 总大小:0B"));
}

}  // namespace
}  // namespace patching
