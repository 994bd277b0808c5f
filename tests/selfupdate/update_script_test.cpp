#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "startup/update_script.h"
#include "text/gbk.h"

namespace selfupdate_test {
namespace {

namespace fs = std::filesystem;

TEST(BatchScript, APlainPathGivesThisTextByteForByte) {
  startup::UpdateScriptInput input{"C:\\Game\\launcher.exe", "C:\\Game\\DownloadCache\\DLQ.exe.tmp", {}};
  input.systemFolder = "C:\\Windows\\system32";
  EXPECT_EQ(startup::batchUpdateScript(input),
            "@echo off\r\n"
            "set tries=0\r\n"
            ":end_old\r\n"
            "C:\\Windows\\system32\\taskkill.exe /f /im launcher.exe >nul 2>nul\r\n"
            "if errorlevel 1 goto old_ended\r\n"
            "set /a tries+=1\r\n"
            "if %tries% geq 30 goto old_ended\r\n"
            "C:\\Windows\\system32\\ping.exe -n 2 127.0.0.1 >nul\r\n"
            "goto end_old\r\n"
            ":old_ended\r\n"
            "copy /Y C:\\Game\\launcher.exe C:\\Game\\launcher.exe.old >nul\r\n"
            "if errorlevel 1 goto start_old\r\n"
            "Del C:\\Game\\launcher.exe\r\n"
            "if exist C:\\Game\\launcher.exe goto keep_old\r\n"
            "move /Y C:\\Game\\DownloadCache\\DLQ.exe.tmp C:\\Game\\launcher.exe\r\n"
            "if errorlevel 1 goto restore\r\n"
            "if not exist C:\\Game\\launcher.exe goto restore\r\n"
            "start C:\\Game\\launcher.exe\r\n"
            "Del /F C:\\Game\\launcher.exe.old\r\n"
            "Del update.bat\r\n"
            "Exit\r\n"
            ":restore\r\n"
            "move /Y C:\\Game\\launcher.exe.old C:\\Game\\launcher.exe\r\n"
            "if errorlevel 1 goto start_old\r\n"
            "if not exist C:\\Game\\launcher.exe goto start_old\r\n"
            ":keep_old\r\n"
            "Del /F C:\\Game\\launcher.exe.old\r\n"
            ":start_old\r\n"
            "start C:\\Game\\launcher.exe\r\n"
            "Del update.bat\r\n"
            "Exit");
}

// The copy of the old launcher may be deleted only where a launcher is in place again.
TEST(BatchScript, TheCopyIsDeletedOnlyAfterARestoreThatWorked) {
  startup::UpdateScriptInput input{"C:\\G\\l.exe", "C:\\G\\n.tmp", {}};
  std::string script = startup::batchUpdateScript(input);
  size_t restore = script.find(":restore\r\n");
  ASSERT_NE(restore, std::string::npos);
  std::string tail = script.substr(restore);
  size_t moveBack = tail.find("move /Y C:\\G\\l.exe.old C:\\G\\l.exe\r\n");
  size_t deleteCopy = tail.find("Del /F C:\\G\\l.exe.old");
  ASSERT_NE(moveBack, std::string::npos);
  ASSERT_NE(deleteCopy, std::string::npos);
  std::string between = tail.substr(moveBack, deleteCopy - moveBack);
  EXPECT_NE(between.find("\r\nif errorlevel 1 goto start_old\r\n"), std::string::npos) << between;
  EXPECT_NE(between.find("\r\nif not exist C:\\G\\l.exe goto start_old\r\n"), std::string::npos) << between;
  EXPECT_GT(tail.find(":start_old"), deleteCopy);
}

TEST(BatchScript, PathsWithBlanksAndBatchCharactersAreQuotedAndPercentIsDoubled) {
  const std::string folder = "D:\\My Games\\A&B ^(x) 100%\\";
  startup::UpdateScriptInput input{folder + "launcher.exe", folder + "DownloadCache\\DLQ.exe.tmp", {}};
  input.systemFolder = "E:\\Win (x86)\\system32";
  std::string script = startup::batchUpdateScript(input);
  const std::string own = "\"D:\\My Games\\A&B ^(x) 100%%\\launcher.exe\"";
  EXPECT_NE(script.find("\r\nDel " + own + "\r\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\r\nmove /Y \"D:\\My Games\\A&B ^(x) 100%%\\DownloadCache\\DLQ.exe.tmp\" " + own + "\r\n"),
            std::string::npos);
  // A quoted first word would be taken for the console title.
  EXPECT_NE(script.find("\r\nstart \"\" " + own + "\r\n"), std::string::npos);
  EXPECT_NE(script.find("\r\nif exist " + own + " goto keep_old\r\n"), std::string::npos);
  // The image name itself needs no quotes; the system's programs are named in full.
  EXPECT_NE(script.find("\r\n\"E:\\Win (x86)\\system32\\taskkill.exe\" /f /im launcher.exe >nul"), std::string::npos);
  EXPECT_NE(script.find("\r\n\"E:\\Win (x86)\\system32\\ping.exe\" -n 2 "), std::string::npos);
  // Without a known system folder cmd still never looks in the client folder for them.
  input.systemFolder.clear();
  std::string fallback = startup::batchUpdateScript(input);
  EXPECT_NE(fallback.find("\r\n%SystemRoot%\\System32\\taskkill.exe /f /im "), std::string::npos);
  EXPECT_NE(fallback.find("\r\n%SystemRoot%\\System32\\ping.exe -n 2 "), std::string::npos);
  // No bare '&', '^', '(' or single '%' outside quotes anywhere.
  bool quoted = false;
  for (size_t i = 0; i < script.size(); ++i) {
    char c = script[i];
    if (c == '"') quoted = !quoted;
    if (!quoted) {
      EXPECT_TRUE(c != '&' && c != '^' && c != '(' && c != ')') << "bare " << c << " at " << i;
    }
    if (c == '\n') {
      EXPECT_FALSE(quoted) << "unbalanced quotes before " << i;
    }
  }
}

TEST(BatchScript, WordsAreLeftBareOnlyWhenNothingInThemNeedsQuotes) {
  EXPECT_EQ(startup::batchWord("C:\\Game\\launcher.exe"), "C:\\Game\\launcher.exe");
  EXPECT_EQ(startup::batchWord("--headless"), "--headless");
  EXPECT_EQ(startup::batchWord("C:\\a b"), "\"C:\\a b\"");
  EXPECT_EQ(startup::batchWord("C:\\a,b;c=d"), "\"C:\\a,b;c=d\"");
  EXPECT_EQ(startup::batchWord("C:\\50%"), "\"C:\\50%%\"");
  EXPECT_EQ(startup::batchWord(""), "\"\"");
  // A GBK trail byte can be '|' or '^'; such names are quoted whole.
  EXPECT_EQ(startup::batchWord("C:\\\xD8|"), "\"C:\\\xD8|\"");
  EXPECT_EQ(startup::batchWord(text::utf8ToGbk("C:\\游戏\\登录器.exe")), "\"" + text::utf8ToGbk("C:\\游戏\\登录器.exe") + "\"");
}

TEST(ShellScript, WordsSurviveQuotesAndShellCharacters) {
  EXPECT_EQ(startup::shellWord("/a b/c"), "'/a b/c'");
  EXPECT_EQ(startup::shellWord("it's"), "'it'\\''s'");
}

// Runs the shell script for real in a folder whose name the shell would otherwise split or
// expand, with a stand-in launcher that records that it was started and with which words.
class ShellScriptRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/selfupdate-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    base = pattern;
    folder = base / "A&B $HOME 'q' (x) 游戏";
    fs::create_directories(folder / "DownloadCache");
    launcher = folder / "my launcher";
    write(launcher, starterScript("old"));
    fs::permissions(launcher, fs::perms::owner_all);
    write(folder / "DownloadCache" / "DLQ.exe.tmp", starterScript("new"));
  }
  void TearDown() override {
    fs::permissions(launcher, fs::perms::owner_all, fs::perm_options::replace);
    fs::remove_all(base);
  }

  std::string starterScript(const std::string& which) {
    return "#!/bin/sh\necho \"" + which + " $*\" > \"" + (base / "started").string() + "\"\n";
  }
  static void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Paths of Linux are UTF-8 in the launcher too; only the separators differ.
  std::string launcherPath(const fs::path& path) {
    std::string own = path.string();
    for (char& c : own)
      if (c == '/') c = '\\';
    return own;
  }

  // Runs the script in the launcher's folder and waits for the started launcher's record.
  std::string run() {
    startup::UpdateScriptInput input{launcherPath(launcher), launcherPath(folder / "DownloadCache" / "DLQ.exe.tmp"),
                                     {"--endpoints", "/tmp/x y.ini"}};
    write(folder / "update.sh", startup::shellUpdateScript(input));
    pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      ::execl("/bin/sh", "sh", "update.sh", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int i = 0; i < 200 && !fs::exists(base / "started"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return read(base / "started");
  }

  fs::path base, folder, launcher;
};

TEST_F(ShellScriptRun, TheNewLauncherTakesTheOldOnesPlaceKeepsItsModeAndStartsWithTheSameWords) {
  EXPECT_EQ(run(), "new --endpoints /tmp/x y.ini\n");
  EXPECT_EQ(read(launcher), starterScript("new"));
  EXPECT_EQ(fs::status(launcher).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(folder / "DownloadCache" / "DLQ.exe.tmp"));
  EXPECT_FALSE(fs::exists(folder / "update.sh"));
}

TEST_F(ShellScriptRun, WithoutTheNewFileTheOldLauncherStaysAndStarts) {
  fs::remove(folder / "DownloadCache" / "DLQ.exe.tmp");
  EXPECT_EQ(run(), "old --endpoints /tmp/x y.ini\n");
  EXPECT_EQ(read(launcher), starterScript("old"));
  EXPECT_FALSE(fs::exists(folder / "update.sh"));
}

}  // namespace
}  // namespace selfupdate_test
