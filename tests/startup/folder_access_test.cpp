#include "startup/folder_access.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "fakes/encoded_text.h"
#include "fakes/fake_platform.h"
#include "fakes/recording_backend.h"
#include "patching/patch_update.h"
#include "startup/manifest_document.h"
#include "startup/self_update.h"
#include "startup/startup_sequence.h"

namespace {

using fakes::gbkOf;

struct FolderAccess : ::testing::Test {
  fakes::FakePlatform fake;
  fakes::RecordingBackend backend;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
  std::vector<std::function<void()>> spawned;

  FolderAccess() {
    window.attach(&backend);
    fake.system.exePath = "C:\\Program Files\\Game\\launcher.exe";
    app.executablePath = fake.system.exePath;
    app.options.arguments = {"--endpoints", "my endpoints.ini"};
    app.options.startFolder = "C:\\Users\\player";
    app.spawn = [this](std::function<void()> body) { spawned.push_back(std::move(body)); };
    fake.files.directories.insert("C:\\Program Files\\Game");
    fake.files.files["C:\\Program Files\\Game\\Client.exe"] = "MZ";
  }
  std::string questionFor(const std::string& folder) {
    return gbkOf("登录器无法写入文件夹: ") + folder +
           gbkOf("\n更新游戏需要在这里创建、改名和删除文件。是否以管理员身份重新启动登录器?");
  }
  // Started as usual, then at the point before the first download.
  bool startThenAboutToWrite() {
    startup::startupSequence(app);
    window.pump();
    EXPECT_TRUE(backend.questions.empty());
    EXPECT_EQ(spawned.size(), 1u);
    return startup::ensureWritableFolders(app);
  }
  void expectEndedWithoutAMessage() {
    EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
    EXPECT_TRUE(backend.messages.empty());
  }
};

// A game under Program Files with nothing to update: the launcher starts as usual, asks
// nothing and leaves the folder as it was; its log lines wait in memory.
TEST_F(FolderAccess, AReadOnlyClientFolderAsksNothingAtStartAndIsLeftAsItWas) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  startup::startupSequence(app);
  window.pump();

  EXPECT_TRUE(backend.questions.empty());
  EXPECT_FALSE(fake.system.ended());
  EXPECT_TRUE(window.windowProps().trayInstalled);
  EXPECT_EQ(spawned.size(), 1u);
  EXPECT_FALSE(app.log.isOpen());
  EXPECT_EQ(fake.files.files.size(), 1u);  // Client.exe alone
}

// The folder was made writable meanwhile (the player gave rights): the start line waited.
TEST_F(FolderAccess, TheStartLineWaitsForTheFirstCheckThatPasses) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  startup::startupSequence(app);
  fake.files.readOnlyFolders.clear();
  EXPECT_TRUE(startup::ensureWritableFolders(app));

  EXPECT_TRUE(backend.questions.empty());
  EXPECT_TRUE(fake.files.isDirectory("C:\\Program Files\\Game\\DownloadCache"));
  std::string log = fake.files.files["C:\\Program Files\\Game\\launcher.log"];
  EXPECT_EQ(log.rfind("\xEF\xBB\xBF" "2023-11-14 22:13:20.000 start: launcher 0.0.1,", 0), 0u) << log;
}

TEST_F(FolderAccess, AClientFolderThatCannotBeChangedIsNamedAndNoEndsTheLauncher) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  EXPECT_FALSE(startThenAboutToWrite());

  EXPECT_EQ(backend.questions, std::vector<std::string>{questionFor("C:\\Program Files\\Game")});
  expectEndedWithoutAMessage();
  EXPECT_TRUE(fake.shell.elevations.empty());
  EXPECT_FALSE(fake.instance.released);
  EXPECT_EQ(fake.files.files.size(), 1u);  // Client.exe alone: no log in a folder that failed
}

TEST_F(FolderAccess, YesGivesUpTheMarkerAndStartsTheLauncherElevatedWithTheSameArguments) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  backend.answer = true;
  EXPECT_FALSE(startThenAboutToWrite());

  ASSERT_EQ(fake.shell.elevations.size(), 1u);
  EXPECT_EQ(fake.shell.elevations[0].program, "C:\\Program Files\\Game\\launcher.exe");
  EXPECT_EQ(fake.shell.elevations[0].arguments, app.options.arguments);
  EXPECT_EQ(fake.shell.elevations[0].folder, "C:\\Users\\player");
  EXPECT_TRUE(fake.instance.released);
  expectEndedWithoutAMessage();
}

TEST_F(FolderAccess, ARefusedElevationStillEnds) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  backend.answer = true;
  fake.shell.elevationStarts = false;
  EXPECT_FALSE(startThenAboutToWrite());

  EXPECT_EQ(fake.shell.elevations.size(), 1u);
  expectEndedWithoutAMessage();
}

TEST_F(FolderAccess, TheFolderIsShownInTheDisplaysCodePage) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  fake.system.shownText = [](const std::string& text, unsigned codePage) {
    return "[" + std::to_string(codePage) + ":" + text + "]";
  };
  startThenAboutToWrite();

  EXPECT_EQ(backend.questions, std::vector<std::string>{questionFor("[936:C:\\Program Files\\Game]")});
}

TEST_F(FolderAccess, AnUnchangeableDownloadCacheIsTheFolderNamed) {
  fake.files.directories.insert("C:\\Program Files\\Game\\DownloadCache");
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game\\DownloadCache");
  EXPECT_FALSE(startThenAboutToWrite());

  EXPECT_EQ(backend.questions, std::vector<std::string>{questionFor("C:\\Program Files\\Game\\DownloadCache")});
  expectEndedWithoutAMessage();
  // The client folder itself passed, so the refusal is in its log.
  std::string log = fake.files.files["C:\\Program Files\\Game\\launcher.log"];
  EXPECT_NE(log.find(" start: launcher 0.0.1,"), std::string::npos) << log;
  EXPECT_NE(log.find(" refused: cannot create, rename and delete files in "
                     "\"C:\\Program Files\\Game\\DownloadCache\\\"\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" the player declined administrator rights\r\n"), std::string::npos) << log;
}

TEST_F(FolderAccess, WritableFoldersAskNothingKeepNoProbeFileAndStartTheLog) {
  fake.files.files["C:\\Program Files\\Game\\data.pak"] = "keep";
  EXPECT_TRUE(startThenAboutToWrite());

  EXPECT_TRUE(backend.questions.empty());
  EXPECT_FALSE(fake.system.ended());
  EXPECT_EQ(spawned.size(), 1u);
  std::string log = fake.files.files["C:\\Program Files\\Game\\launcher.log"];
  EXPECT_EQ(log,
            "\xEF\xBB\xBF" "2023-11-14 22:13:20.000 start: launcher 0.0.1, system code page 936, locale 2052, "
            "display language SC, client folder \"C:\\Program Files\\Game\\\"\r\n");
  fake.files.files.erase("C:\\Program Files\\Game\\launcher.log");
  std::map<std::string, std::string> expected{{"C:\\Program Files\\Game\\Client.exe", "MZ"},
                                              {"C:\\Program Files\\Game\\data.pak", "keep"}};
  EXPECT_EQ(fake.files.files, expected);
}

TEST_F(FolderAccess, TheProbeNeverOverwritesAFileOfItsOwnName) {
  const std::string folder = "C:\\Program Files\\Game\\";
  uint32_t next = fake.system.tick;
  fake.files.files[folder + "~vktalv-probe-" + std::to_string(next) + ".tmp"] = "someone's";
  EXPECT_TRUE(startup::canChangeFilesIn(fake.files, fake.system, folder));
  EXPECT_EQ(fake.files.files.size(), 2u);
  EXPECT_EQ(fake.files.files[folder + "~vktalv-probe-" + std::to_string(next) + ".tmp"], "someone's");
}

TEST_F(FolderAccess, AFolderWithoutTheClientGetsNoSupportLog) {
  fake.files.files.erase("C:\\Program Files\\Game\\Client.exe");
  startup::startupSequence(app);
  window.pump();

  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_FALSE(app.log.isOpen());
  EXPECT_TRUE(fake.files.files.empty());
}

TEST_F(FolderAccess, AFileThatCanBeCreatedButNotRenamedFailsAndIsRemoved) {
  const std::string folder = "C:\\Program Files\\Game\\";
  std::string renamed = folder + "~vktalv-probe-" + std::to_string(fake.system.tick) + ".renamed.tmp";
  fake.files.readOnly.insert(renamed);
  EXPECT_FALSE(startup::canChangeFilesIn(fake.files, fake.system, folder));
  EXPECT_EQ(fake.files.files.size(), 1u);  // Client.exe alone
}

// The two places that write for real ask first: nothing is downloaded into a folder that
// could not take the file afterwards.
TEST_F(FolderAccess, TheQuestionComesBeforeThePatchDownloadAndTheLaunchersOwn) {
  fake.files.readOnlyFolders.insert("C:\\Program Files\\Game");
  startup::startupSequence(app);
  int downloads = 0;
  auto download = [&](state::AppState&, const std::string&, const std::string&, int, int) { return ++downloads, 3; };

  patching::PatchEntry patch;
  patch.name = "data.pak";
  patch.url = "http://127.0.0.1/data.pak";
  patch.localPath = "C:\\Program Files\\Game\\data.pak";
  app.onlinePatches = {patch};
  patching::runPatchUpdate(app, download);
  EXPECT_EQ(backend.questions, std::vector<std::string>{questionFor("C:\\Program Files\\Game")});

  startup::parseManifest(app.manifestDocument,
                         "<UpdateInfo><Launcher url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"/></UpdateInfo>");
  EXPECT_FALSE(startup::selfUpdate(app, download));
  EXPECT_EQ(backend.questions.size(), 2u);
  EXPECT_EQ(downloads, 0);
  EXPECT_EQ(fake.system.endCodes, (std::vector<int>{0, 0}));
  EXPECT_EQ(fake.files.files.size(), 1u);  // Client.exe alone
}

}  // namespace
