#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "launch/program_opener.h"
#include "launch/program_search.h"
#include "launch/shortcut_files.h"

namespace launch {
namespace {

using platform::RegistryRoot;
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::string kIePath = "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";

struct Opener : ::testing::Test {
  fakes::FakePlatform fake;
  platform::Platform& p = fake.bundle;
  platform::ProcessRecord record;

  Opener() {
    fake.files.directories = {"C:\\Game", "C:\\WINDOWS", "C:\\WINDOWS\\system32"};
    fake.files.files["C:\\Game\\Client.exe"] = "MZ";
    fake.files.files["Client.exe"] = "MZ";  // the current directory is the launcher's folder
    fake.files.files["C:\\WINDOWS\\explorer.exe"] = "MZ";
    fake.files.files[kIePath] = "MZ";
    fake.registry.values[{RegistryRoot::LocalMachine, kAppPaths + "iexplore.exe"}] = kIePath;
    // The usual association of programs: its command names the document itself.
    fake.registry.values[{RegistryRoot::ClassesRoot, ".exe"}] = "exefile";
    fake.registry.values[{RegistryRoot::ClassesRoot, "exefile\\Shell\\Open\\Command"}] = "\"%1\" %*";
  }
  int32_t run(const std::string& target, const std::string& args = "", int showMode = 0) {
    record = {};
    return runProgram(p, target, args, false, showMode, "", record, false);
  }
  const fakes::FakeStarter::Created& last() { return fake.starter.created.back(); }
};

TEST_F(Opener, WebAddressesInAnyCaseGoToTheBrowserFoundThroughAppPaths) {
  for (const std::string address : {"http://www.example.com/a?b=1", "HTTPS://x.example.com", "HttpNotes.txt"}) {
    EXPECT_GT(run(address, "dropped"), 0) << address;
    EXPECT_EQ(last().application, kIePath);
    EXPECT_EQ(last().commandLine, "%1 " + address);
    EXPECT_EQ(last().workingDirectory, "C:\\Program Files\\Internet Explorer\\");
  }
}

TEST_F(Opener, UrlShortcutsWithCapitalEndingsOpenTheirAddress) {
  fake.ini.data["C:\\Game\\news.URL"]["InternetShortcut"]["URL"] = "http://news.example.com/";
  EXPECT_GT(run("C:\\Game\\news.URL", "dropped"), 0);
  EXPECT_EQ(last().commandLine, "%1 http://news.example.com/");

  // An unreadable shortcut still starts the browser, with no command line at all.
  EXPECT_GT(run("C:\\Game\\missing.url"), 0);
  EXPECT_EQ(last().application, kIePath);
  EXPECT_EQ(last().commandLine, "");
}

TEST_F(Opener, LinkShortcutsRunTheirTargetWithTheirOwnArguments) {
  fake.shortcuts.links["C:\\Game\\Play.LNK"] = {"C:\\Game\\Client.exe", "-window", "C:\\Game\\Client.exe,0"};
  EXPECT_GT(run("C:\\Game\\Play.LNK", "ignored"), 0);
  EXPECT_EQ(last().application, "C:\\Game\\Client.exe");
  EXPECT_EQ(last().commandLine, "%1 -window");
  EXPECT_EQ(last().workingDirectory, "C:\\Game\\");

  size_t before = fake.starter.created.size();
  EXPECT_EQ(run("C:\\Game\\Broken.lnk", "args"), 0);
  EXPECT_EQ(fake.starter.created.size(), before) << "nothing may start without a target";
}

TEST_F(Opener, FoldersOpenInExplorerFromTheWindowsFolder) {
  EXPECT_GT(run("C:\\Game"), 0);
  EXPECT_EQ(last().application, "C:\\WINDOWS\\explorer.exe");
  EXPECT_EQ(last().commandLine, "%1 C:\\Game");
  EXPECT_EQ(last().workingDirectory, "C:\\WINDOWS\\");
}

TEST_F(Opener, DocumentsOpenThroughTheirAssociationWithTheEnvironmentExpanded) {
  fake.system.env["SystemRoot"] = "C:\\WINDOWS";
  fake.registry.values[{RegistryRoot::ClassesRoot, ".txt"}] = "txtfile";
  fake.registry.values[{RegistryRoot::ClassesRoot, "txtfile\\Shell\\Open\\Command"}] =
      "%SystemRoot%\\system32\\NOTEPAD.EXE %1";
  fake.starter.shortNames["C:\\WINDOWS\\system32\\NOTEPAD.EXE"] = "C:\\WINDOWS\\SYSTEM~1\\NOTEPAD.EXE";
  EXPECT_GT(run("PatchList.txt", "dropped"), 0);
  EXPECT_EQ(last().application, "C:\\WINDOWS\\SYSTEM~1\\NOTEPAD.EXE");
  EXPECT_EQ(last().commandLine, "\"PatchList.txt\" \"PatchList.txt\"");
  EXPECT_EQ(last().workingDirectory, "C:\\WINDOWS\\SYSTEM~1\\");
}

TEST_F(Opener, ProgramsAreLookedForWithExeInTheWindowsAndSystemFoldersAndAppPaths) {
  fake.files.files["C:\\WINDOWS\\system32\\notepad.exe"] = "MZ";
  fake.files.files["C:\\WINDOWS\\notepad.exe"] = "MZ";
  EXPECT_EQ(findProgramPath(p, "notepad"), "C:\\WINDOWS\\notepad.exe");
  fake.files.files.erase("C:\\WINDOWS\\notepad.exe");
  EXPECT_EQ(findProgramPath(p, "notepad"), "C:\\WINDOWS\\system32\\notepad.exe");
  fake.files.files["C:\\Tools\\tool.exe"] = "MZ";
  fake.registry.values[{RegistryRoot::LocalMachine, kAppPaths + "tool.exe"}] = "C:\\Tools\\tool.exe";
  EXPECT_EQ(findProgramPath(p, "tool"), "C:\\Tools\\tool.exe");
  // A registered path that names nothing is no find.
  fake.registry.values[{RegistryRoot::LocalMachine, kAppPaths + "gone.exe"}] = "C:\\Tools\\gone.exe";
  EXPECT_EQ(findProgramPath(p, "gone.exe"), "");

  EXPECT_GT(run("notepad", "readme.txt"), 0);
  EXPECT_EQ(last().application, "C:\\WINDOWS\\system32\\notepad.exe");
  EXPECT_EQ(last().commandLine, "%1 readme.txt");
}

TEST_F(Opener, ABareProgramInTheCurrentFolderStartsUnderItsNameWithoutWorkingDirectory) {
  EXPECT_EQ(run("Client.exe", "code:1"), 4000);
  EXPECT_EQ(last().application, "Client.exe");
  EXPECT_EQ(last().commandLine, "%1 code:1");
  EXPECT_EQ(last().workingDirectory, "");
}

TEST_F(Opener, EmptyArgumentsGiveNoCommandLine) {
  EXPECT_GT(run("Client.exe", ""), 0);
  EXPECT_EQ(last().commandLine, "");
}

TEST_F(Opener, AGivenWorkingDirectoryWins) {
  record = {};
  EXPECT_GT(runProgram(p, "C:\\Game\\Client.exe", "", false, 0, "D:\\Elsewhere", record, false), 0);
  EXPECT_EQ(last().workingDirectory, "D:\\Elsewhere");
}

TEST_F(Opener, ShowModesMapToTheStartupRecord) {
  struct Case {
    int mode;
    uint32_t flags;
    uint16_t show;
  } cases[] = {{1, 1, 0}, {3, 1, 2}, {4, 1, 3}, {5, 1, 4}, {6, 1, 6}, {0, 0, 1}, {2, 0, 1}, {7, 0, 1}, {-1, 0, 1}};
  for (const auto& c : cases) {
    run("Client.exe", "", c.mode);
    EXPECT_EQ(last().startup.flags, c.flags) << c.mode;
    EXPECT_EQ(last().startup.showWindow, c.show) << c.mode;
  }
}

TEST_F(Opener, WaitsAndHandles) {
  run("Client.exe");
  ASSERT_EQ(fake.starter.idleWaits.size(), 1u);
  EXPECT_EQ(fake.starter.idleWaits[0], (std::pair<uintptr_t, int>{40000, 1000}));
  EXPECT_EQ(fake.starter.closed, (std::vector<uintptr_t>{40001, 40000})) << "thread handle first, then process";

  record = {};
  fake.starter.closed.clear();
  EXPECT_EQ(runProgram(p, "Client.exe", "", true, 0, "", record, true), 4001);
  EXPECT_EQ(fake.starter.exitWaits, (std::vector<uintptr_t>{40010}));
  EXPECT_TRUE(fake.starter.closed.empty());
  EXPECT_EQ(record.process, 40010u);
}

TEST_F(Opener, FailuresGiveZero) {
  EXPECT_EQ(run("NoSuchGame.exe", "x"), 0);
  EXPECT_TRUE(fake.starter.created.empty());
  fake.starter.refuse = true;
  EXPECT_EQ(run("Client.exe", "x"), 0);
  EXPECT_TRUE(fake.starter.closed.empty());
  EXPECT_TRUE(fake.starter.idleWaits.empty());
}

TEST(CommandProgramPath, TakesTheProgramAtTheHeadOfAnOpenCommand) {
  fakes::FakePlatform fake;
  fake.system.env["ProgramFiles"] = "C:\\Program Files";
  fake.starter.shortNames = {{"C:\\Program Files\\Editor\\edit.exe", "C:\\PROGRA~1\\Editor\\edit.exe"},
                             {"C:\\Tools\\view.exe", "C:\\Tools\\view.exe"}};
  struct Case {
    std::string command, expected;
  } cases[] = {
      {"\"C:\\Program Files\\Editor\\edit.exe\" /open \"%1\"", "C:\\PROGRA~1\\Editor\\edit.exe"},
      {"\"C:\\Program Files\\Editor\\edit.exe", ""},  // no closing quote
      {"%ProgramFiles%\\Editor\\edit.exe %1", "C:\\PROGRA~1\\Editor\\edit.exe"},
      {"C:\\Tools\\view.exe %1", "C:\\Tools\\view.exe"},
      {"C:\\Tools\\view.exe /s", "C:\\Tools\\view.exe"},
      {"C:\\Tools\\view.exe,1", "C:\\Tools\\view.exe"},
      {"C:\\Tools\\view.exe\xA1\xA1\r\nmore", "C:\\Tools\\view.exe"},
      {"\"%1\" %*", ""},
      {"%1", ""},
      {"", ""},
      {"C:\\Tools\\missing.exe %1", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(commandProgramPath(fake.bundle, c.command), c.expected) << c.command;
}

TEST(CommandProgramPath, TrimmingNeverSplitsAGbkCharacter) {
  EXPECT_EQ(trimSpaces("\xA1\xA1 a \xA1\xA1"), "a");
  // 0xB0 0xA1 is one character whose trail byte happens to be 0xA1.
  EXPECT_EQ(trimSpaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  EXPECT_EQ(trimSpaces("x\xB0\xA1 "), "x\xB0\xA1");
}

TEST(AssociatedProgram, NeedsTheClassAndReadsItsOpenCommand) {
  fakes::FakePlatform fake;
  fake.starter.shortNames["C:\\Tools\\view.exe"] = "C:\\Tools\\view.exe";
  EXPECT_EQ(associatedProgram(fake.bundle, "picture.png"), "");
  fake.registry.values[{RegistryRoot::ClassesRoot, ".png"}] = "pngfile";
  EXPECT_EQ(associatedProgram(fake.bundle, "picture.png"), "") << "a class without command has no opener";
  fake.registry.values[{RegistryRoot::ClassesRoot, "pngfile\\Shell\\Open\\Command"}] = "C:\\Tools\\view.exe %1";
  EXPECT_EQ(associatedProgram(fake.bundle, "picture.png"), "C:\\Tools\\view.exe");
  EXPECT_EQ(associatedProgram(fake.bundle, "C:\\my.folder\\picture"), "");
}

TEST(WebPages, GoToTheShellWithTheBrowserWindowAsOwner) {
  fakes::FakePlatform fake;
  openWebPage(fake.bundle, "http://www.example.com/");
  fake.shell.windowsByTitle["Microsoft Internet Explorer"] = 77;
  openWebPage(fake.bundle, "https://qm.example.com/cgi-bin/qm/qr?k=abc");
  ASSERT_EQ(fake.shell.calls.size(), 2u);
  EXPECT_EQ(fake.shell.calls[0].owner, 0u);
  EXPECT_EQ(fake.shell.calls[0].verb, "open");
  EXPECT_EQ(fake.shell.calls[0].file, "http://www.example.com/");
  EXPECT_EQ(fake.shell.calls[1].owner, 77u);
}

TEST(Shortcuts, UrlShortcutsGainTheirEndingAndReadBothKeys) {
  fakes::FakePlatform fake;
  fake.ini.data["C:\\Game\\home.url"]["InternetShortcut"]["URL"] = "http://www.example.com/";
  std::string path = "C:\\Game\\home", icon = "old";
  EXPECT_EQ(readUrlShortcut(fake.bundle, path, icon), "http://www.example.com/");
  EXPECT_EQ(path, "C:\\Game\\home.url");
  EXPECT_EQ(icon, "");
  path = "C:\\Game\\HOME.URL";
  readUrlShortcut(fake.bundle, path, icon);
  EXPECT_EQ(path, "C:\\Game\\HOME.URL");
}

TEST(Shortcuts, AnUnreadableLinkLeavesTheCallersTextsAlone) {
  fakes::FakePlatform fake;
  fake.shortcuts.links["C:\\Game\\folder.lnk"] = {"C:\\Game\\Data", "", ",0"};
  std::string path = "C:\\Game\\folder", args = "keep", icon = "keep";
  EXPECT_EQ(readLinkShortcut(fake.bundle, path, args, icon), "C:\\Game\\Data");
  EXPECT_EQ(path, "C:\\Game\\folder.lnk");
  EXPECT_EQ(args, "");
  EXPECT_EQ(icon, ",0");
  path = "C:\\Game\\none.lnk";
  args = "keep";
  icon = "keep";
  EXPECT_EQ(readLinkShortcut(fake.bundle, path, args, icon), "");
  EXPECT_EQ(args, "keep");
  EXPECT_EQ(icon, "keep");
}

}  // namespace
}  // namespace launch
