#include <gtest/gtest.h>

#include "download/source_set.h"
#include "patching/file_download.h"
#include "self_update_fixture.h"
#include "startup/cache_busting.h"
#include "startup/launcher_update.h"
#include "startup/manifest_document.h"
#include "ui/component_names.h"

namespace selfupdate_test {
namespace {

using namespace ui::names;

const std::string kNewFile = "C:\\Game\\DownloadCache\\DLQ.exe.tmp";

class SelfUpdate : public ::testing::Test, public SelfUpdateFixture {};

TEST_F(SelfUpdate, TheSameVersionGoesOnWithItsStatusAndWithoutDownloading) {
  for (const std::string attributes : {"name=\"DLQ\" url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.1\"",
                                       "url=\"http://127.0.0.1/DLQ.exe\" ver=\"\"", "url=\"http://127.0.0.1/x\""}) {
    offer(attributes);
    EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(3))) << attributes;
    EXPECT_EQ(caption(kLabelUpdateInfo), gbk("登陆器为最新版本，无需更新...")) << attributes;
  }
  EXPECT_TRUE(downloads.empty());
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_FALSE(fake.system.ended());
}

TEST_F(SelfUpdate, NoLauncherElementMeansNoUpdate) {
  startup::parseManifest(app.manifestDocument, "<UpdateInfo><ServerList><S/></ServerList></UpdateInfo>");
  EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(3)));
  EXPECT_TRUE(downloads.empty());
}

TEST_F(SelfUpdate, AnyOtherVersionTextUpdatesEvenAnOlderOrDifferentlyWrittenOne) {
  for (const std::string version : {"0.0.0", "0.0.2", "00.0.1", "0.0.1 ", " 0.0.1", "0.0.1.0", "V0.0.1"}) {
    SelfUpdateFixture run;
    run.offer("url=\"http://127.0.0.1:9/dl/DLQ.exe\" ver=\"" + version + "\"");
    run.fake.system.now = {1700000000 + 8 * 3600, 250};
    EXPECT_FALSE(startup::selfUpdate(run.app, run.downloadAnswering(2))) << version;
    ASSERT_EQ(run.downloads.size(), 1u) << version;
    EXPECT_EQ(run.downloads[0].url, "http://127.0.0.1:9/dl/DLQ.exe?t=1700000000");
    EXPECT_EQ(run.downloads[0].url, "http://127.0.0.1:9/dl/DLQ.exe?t=" + startup::cacheBustingStamp(run.fake.system));
    EXPECT_EQ(run.downloads[0].target, "C:\\Game\\DownloadCache\\DLQ.exe");
    EXPECT_EQ(run.downloads[0].index, 1);
    EXPECT_EQ(run.downloads[0].count, 1);
    EXPECT_EQ(run.fake.system.endCodes, std::vector<int>{0}) << version;
  }
}

TEST_F(SelfUpdate, TheLaunchersAlternatesTravelWithItsAddressEachWithTheStamp) {
  ASSERT_TRUE(startup::parseManifest(app.manifestDocument,
                                     "<UpdateInfo><ServerList><S name=\"one\"/></ServerList>"
                                     "<MirrorList base=\"http://127.0.0.1:9/dl\"><M base=\"http://127.0.0.2/x\"/></MirrorList>"
                                     "<Launcher url=\"http://127.0.0.1:9/dl/DLQ.exe\" ver=\"0.0.2\" "
                                     "mirrors=\"http://127.0.0.3/DLQ.exe\"/></UpdateInfo>"));
  fake.system.now = {1700000000 + 8 * 3600, 250};
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(2)));
  ASSERT_EQ(downloads.size(), 1u);
  EXPECT_EQ(downloads[0].url, download::joinAddresses({"http://127.0.0.1:9/dl/DLQ.exe?t=1700000000",
                                                       "http://127.0.0.3/DLQ.exe?t=1700000000",
                                                       "http://127.0.0.2/x/DLQ.exe?t=1700000000"}));
}

TEST_F(SelfUpdate, TheUpdateShowsItsStatusAndEmptiesTheProgressBarBeforeDownloading) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  window.setPosition(kProgressBar, 57);
  std::string captionDuringDownload;
  int positionDuringDownload = -1;
  auto download = [&](state::AppState&, const std::string&, const std::string&, int, int) {
    captionDuringDownload = caption(kLabelUpdateInfo);
    positionDuringDownload = window.component(kProgressBar).position;
    return 0;
  };
  EXPECT_FALSE(startup::selfUpdate(app, download));
  EXPECT_EQ(captionDuringDownload, gbk("登陆器发现新的版本，正在更新..."));
  EXPECT_EQ(positionDuringDownload, 0);
}

TEST_F(SelfUpdate, TaskNotCreatedShowsItsMessageWritesNoScriptAndEnds) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kNotStarted)));
  EXPECT_EQ(backend.messages, std::vector<std::string>{gbk("登录器更新创建任务失败!")});
  EXPECT_FALSE(hasFile("C:\\Game\\update.sh"));
  EXPECT_TRUE(fake.starter.created.empty());
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
}

// The new launcher is taken to be as large as the running one (12 bytes) plus its ".work".
TEST_F(SelfUpdate, TooLittleRoomDownloadsNothingButAResumedDownloadHoldsItsRoom) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  fake.files.freeBytes = 65547;
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kComplete)));
  EXPECT_TRUE(downloads.empty());
  EXPECT_EQ(backend.messages, std::vector<std::string>{gbk("磁盘空间不足,需要64.01KB,可用空间只有64.01KB,请清理磁盘后再尝试!")});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});

  SelfUpdateFixture resumed;
  resumed.fake.files.freeBytes = 0;
  resumed.fake.files.files[kNewFile] = "part";
  resumed.fake.files.files[kNewFile + ".work"] = "state";
  resumed.offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  startup::selfUpdate(resumed.app, resumed.downloadAnswering(patching::kComplete));
  EXPECT_EQ(resumed.downloads.size(), 1u);
}

TEST_F(SelfUpdate, AnIncompleteDownloadShowsItsMessageAndKeepsItsFilesForTheNextStart) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kIncomplete)));
  EXPECT_EQ(backend.messages, std::vector<std::string>{gbk("登录器更新异常终止,请关闭登录器稍后尝试!")});
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  EXPECT_TRUE(fake.starter.created.empty());
  EXPECT_EQ(fake.files.files[kNewFile], "part");
  EXPECT_TRUE(hasFile(kNewFile + ".work"));
  EXPECT_EQ(fake.files.files["C:\\Game\\launcher.exe"], "old launcher");

  // The next start asks for the same target again, so the engine finds its state and resumes.
  SelfUpdateFixture next;
  next.fake.files.files = fake.files.files;
  next.offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  EXPECT_FALSE(startup::selfUpdate(next.app, next.downloadAnswering(patching::kComplete)));
  ASSERT_EQ(next.downloads.size(), 1u);
  EXPECT_EQ(next.downloads[0].target, downloads[0].target);
  EXPECT_EQ(next.backend.messages,
            std::vector<std::string>{gbk("登陆器更新完成,即将自动重启登录器,点击确定后等待几秒...")});
  EXPECT_FALSE(next.hasFile(kNewFile + ".work"));
  EXPECT_TRUE(next.hasFile("C:\\Game\\update.sh"));
}

TEST_F(SelfUpdate, ACompleteDownloadWritesAndStartsTheScriptHiddenThenEndsOnce) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kComplete)));
  EXPECT_EQ(backend.messages.size(), 1u);
  ASSERT_TRUE(hasFile("C:\\Game\\update.sh"));
  EXPECT_EQ(fake.files.files["C:\\Game\\update.sh"].rfind("#!/bin/sh\n", 0), 0u);
  ASSERT_EQ(fake.starter.created.size(), 1u);
  const auto& started = fake.starter.created[0];
  EXPECT_EQ(started.application, "/bin/sh");
  EXPECT_EQ(started.commandLine, "sh update.sh");
  EXPECT_EQ(started.workingDirectory, "C:\\Game\\");
  EXPECT_EQ(started.startup.flags, 1u);
  EXPECT_EQ(started.startup.showWindow, 0);
  ASSERT_EQ(fake.starter.idleWaits.size(), 1u);
  EXPECT_EQ(fake.starter.idleWaits[0].second, 1000);
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  // The script does the replacing; the launcher leaves both files where they are.
  EXPECT_EQ(fake.files.files["C:\\Game\\launcher.exe"], "old launcher");
  EXPECT_TRUE(hasFile(kNewFile));
}

TEST_F(SelfUpdate, ACompleteDownloadWithoutAUsableFileLeavesTheOldLauncherAlone) {
  // An empty file is a failed download and says so; a missing one ends after the usual message.
  for (bool emptyFile : {false, true}) {
    SelfUpdateFixture run;
    run.offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
    auto download = [&](state::AppState&, const std::string&, const std::string& target, int, int) {
      if (emptyFile) run.fake.files.files[target + ".tmp"] = "";
      return 3;
    };
    EXPECT_FALSE(startup::selfUpdate(run.app, download));
    EXPECT_EQ(run.backend.messages,
              std::vector<std::string>{emptyFile ? gbk("登录器更新异常终止,请关闭登录器稍后尝试!")
                                                 : gbk("登陆器更新完成,即将自动重启登录器,点击确定后等待几秒...")});
    EXPECT_FALSE(run.hasFile("C:\\Game\\update.sh")) << emptyFile;
    EXPECT_TRUE(run.fake.starter.created.empty()) << emptyFile;
    EXPECT_EQ(run.fake.system.endCodes, std::vector<int>{0}) << emptyFile;
  }
}

class InstallUpdate : public ::testing::Test, public SelfUpdateFixture {
 protected:
  InstallUpdate() {
    fake.files.files[kNewFile] = "MZ new";
    fake.files.files[kNewFile + ".work"] = "state";
  }
};

TEST_F(InstallUpdate, TheBatchIsWrittenBesideTheLauncherAndStartedAsItsOwnCommandLine) {
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  ASSERT_TRUE(hasFile("C:\\Game\\update.bat"));
  EXPECT_EQ(fake.files.files["C:\\Game\\update.bat"].rfind("@echo off\r\n", 0), 0u);
  EXPECT_FALSE(hasFile(kNewFile + ".work"));
  ASSERT_EQ(fake.starter.created.size(), 1u);
  EXPECT_EQ(fake.starter.created[0].application, "");
  EXPECT_EQ(fake.starter.created[0].commandLine, "update.bat");
  EXPECT_EQ(fake.starter.created[0].startup.flags, 1u);
  EXPECT_EQ(fake.starter.created[0].startup.showWindow, 0);
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
}

TEST_F(InstallUpdate, AnOldScriptIsReplaced) {
  fake.files.files["C:\\Game\\update.bat"] = "@echo off\r\nDel C:\\Game\\other.exe";
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  startup::UpdateScriptInput input{"C:\\Game\\launcher.exe", kNewFile, {}};
  input.systemFolder = fake.starter.systemDir;
  std::string script = fake.files.files["C:\\Game\\update.bat"];
  EXPECT_EQ(script, startup::batchUpdateScript(input));
  EXPECT_NE(script.find("\r\nC:\\WINDOWS\\system32\\taskkill.exe /f /im launcher.exe "), std::string::npos);
}

TEST_F(InstallUpdate, AnOldScriptThatCannotBeReplacedIsNotStarted) {
  fake.files.files["C:\\Game\\update.bat"] = "@echo off\r\nDel C:\\Game\\other.exe";
  fake.files.readOnly.insert("C:\\Game\\update.bat");
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  EXPECT_TRUE(fake.starter.created.empty());
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
}

TEST_F(InstallUpdate, ARenamedLauncherIsReplacedUnderItsOwnName) {
  app.executablePath = "C:\\Game\\MyLauncher2.EXE";
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  const std::string& script = fake.files.files["C:\\Game\\update.bat"];
  EXPECT_NE(script.find(" /f /im MyLauncher2.EXE >nul 2>nul\r\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\r\nmove /Y C:\\Game\\DownloadCache\\DLQ.exe.tmp C:\\Game\\MyLauncher2.EXE\r\n"),
            std::string::npos);
  EXPECT_NE(script.find("\r\nstart C:\\Game\\MyLauncher2.EXE\r\n"), std::string::npos);
  EXPECT_EQ(script.find("launcher.exe"), std::string::npos);
}

TEST_F(InstallUpdate, TheRestartedLauncherGetsTheOptionsOfThisRun) {
  app.options.headless = true;
  app.options.endpointsFile = "C:\\tests\\end points.ini";
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  const std::string& script = fake.files.files["C:\\Game\\update.bat"];
  EXPECT_NE(script.find("\r\nstart C:\\Game\\launcher.exe --headless --endpoints \"C:\\tests\\end points.ini\"\r\n"),
            std::string::npos)
      << script;
}

// On a Japanese system "\x83\x5C" is one character; the script is handed to the system to be
// spelled as its script interpreter reads it.
TEST_F(InstallUpdate, TheScriptFollowsTheSystemsCodePage) {
  fake.system.lead.reset();
  for (int c = 0x81; c <= 0x9F; ++c) fake.system.lead.set(c);
  fake.system.script = [](const std::string& text) { return "[" + text + "]"; };
  app.executablePath = "C:\\\x83\x5C\\l.exe";
  fake.files.directories.insert("C:\\\x83\x5C");
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::batchScriptKind()));
  const std::string& script = fake.files.files["C:\\\x83\x5C\\update.bat"];
  EXPECT_EQ(script.front(), '[');
  EXPECT_EQ(script.back(), ']');
  EXPECT_NE(script.find("\\taskkill.exe /f /im l.exe >nul"), std::string::npos) << script;
}

// The restarted launcher starts in its own folder: options given relative to the folder this
// run started in reach it as absolute paths.
TEST_F(InstallUpdate, RelativeOptionsReachTheRestartedLauncherAsAbsolutePaths) {
  app.options.startFolder = "D:\\Work";
  app.options.runDir = "client";
  app.options.endpointsFile = "..\\end.ini";
  EXPECT_EQ(startup::restartArguments(app.options),
            (std::vector<std::string>{"--run-dir", "D:\\Work\\client", "--endpoints", "D:\\Work\\..\\end.ini"}));
  app.options.runDir = "\\srv\\client";
  app.options.endpointsFile = "E:\\end.ini";
  EXPECT_EQ(startup::restartArguments(app.options),
            (std::vector<std::string>{"--run-dir", "\\srv\\client", "--endpoints", "E:\\end.ini"}));
  // On Linux the script takes them as paths of that system.
  app.options.startFolder = "\\home\\p";
  app.options.runDir = "c";
  app.options.endpointsFile = "/etc/e.ini";
  EXPECT_TRUE(startup::installLauncherUpdate(app, kNewFile, startup::shellScriptKind()));
  const std::string& script = fake.files.files["C:\\Game\\update.sh"];
  EXPECT_NE(script.find(" '--run-dir' '/home/p/c' '--endpoints' '/etc/e.ini' </dev/null &\n"), std::string::npos)
      << script;
}

}  // namespace
}  // namespace selfupdate_test
