#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "platform/posix/host_text.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_instance.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_system.h"

namespace {

using namespace platform::posix;
namespace fs = std::filesystem;

std::string uniqueName(const char* what) { return std::string(what) + "-" + std::to_string(::getpid()); }

TEST(PosixInstanceMarker, HeldExactlyWhileItsOwnerLives) {
  std::string name = uniqueName("marker");
  PosixInstanceMarker probe;
  EXPECT_FALSE(probe.openExisting(name));
  EXPECT_FALSE(probe.openExisting(name));  // probing does not claim the name
  {
    PosixInstanceMarker first;
    EXPECT_TRUE(first.create(name));
    EXPECT_TRUE(probe.openExisting(name));
  }
  EXPECT_FALSE(probe.openExisting(name));
}

TEST(PosixInstanceMarker, VanishesWhenTheHoldingProcessIsKilled) {
  std::string name = uniqueName("killed");
  pid_t child = ::fork();
  if (child == 0) {
    PosixInstanceMarker held;
    held.create(name);
    ::pause();
    ::_exit(0);
  }
  PosixInstanceMarker probe;
  for (int i = 0; i < 200 && !probe.openExisting(name); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(probe.openExisting(name));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(probe.openExisting(name));
}

// Each user (here: each runtime folder) has markers of its own, kept only in a folder that
// nobody else can change.
TEST(PosixInstanceMarker, OnePerRuntimeFolderAndOnlyInAPrivateOne) {
  fs::path root = fs::temp_directory_path() / uniqueName("runtime");
  fs::create_directories(root / "a");
  fs::create_directories(root / "b");
  fs::create_directories(root / "open");
  fs::permissions(root / "a", fs::perms::owner_all);
  fs::permissions(root / "b", fs::perms::owner_all);
  fs::permissions(root / "open", fs::perms::all);
  fs::create_directory_symlink(root / "a", root / "link");
  EXPECT_TRUE(isPrivateFolder((root / "a").string()));
  EXPECT_FALSE(isPrivateFolder((root / "open").string()));
  EXPECT_FALSE(isPrivateFolder((root / "link").string()));
  EXPECT_FALSE(isPrivateFolder((root / "missing").string()));

  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string before = saved ? saved : "";
  auto use = [](const fs::path& folder) { ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1); };
  PosixInstanceMarker first, probe;
  use(root / "a");
  ASSERT_TRUE(first.create("VKTALVDLQ"));
  EXPECT_TRUE(probe.openExisting("VKTALVDLQ"));
  EXPECT_TRUE(fs::exists(root / "a" / "vktalv-instance-VKTALVDLQ.lock"));
  use(root / "b");
  EXPECT_FALSE(probe.openExisting("VKTALVDLQ")) << "another user's launcher must not count";
  for (const char* unusable : {"open", "link"}) {
    use(root / unusable);
    EXPECT_NE(markerFolder(), (root / unusable).string());
  }
  // The shared fallback is used only when it is ours and private.
  fs::create_directory_symlink(root / "a", root / ("vktalv-" + std::to_string(::getuid())));
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(markerFolder(root.string()), "");
  if (saved) ::setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
  fs::remove_all(root);
}

TEST(PosixWindowWalk, FindsAPublishedWindowAndDeliversTheActivation) {
  PosixWindowPresence presence;
  std::atomic<int> activations{0};
  presence.publish(true, [&] { ++activations; });
  PosixProcesses processes;
  uint32_t self = static_cast<uint32_t>(::getpid());
  platform::WindowHandle found = 0;
  for (platform::WindowHandle w = processes.nextTopLevelWindow(0); w; w = processes.nextTopLevelWindow(w))
    if (processes.windowProcess(w) == self) found = w;
  ASSERT_NE(found, 0u);
  EXPECT_TRUE(processes.windowExists(found));
  EXPECT_TRUE(processes.windowVisible(found));
  processes.activateWindow(found);
  for (int i = 0; i < 400 && activations == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(activations, 1);

  presence.publish(false, [&] { ++activations; });  // hidden in the tray
  EXPECT_FALSE(processes.windowVisible(found));
  EXPECT_TRUE(processes.windowExists(found));
}

TEST(PosixProcesses, SnapshotListsThisProcessUnderItsExecutableName) {
  PosixProcesses processes;
  std::vector<platform::ProcessEntry> entries;
  ASSERT_TRUE(processes.snapshot(entries));
  bool found = false;
  for (const auto& e : entries)
    if (e.pid == static_cast<uint32_t>(::getpid())) found = e.exeName == "platform_tests";
  EXPECT_TRUE(found);
  EXPECT_EQ(processExeName("/usr/lib/wine/wine64-preloader", "C:\\Game\\Client.exe"), "Client.exe");
  EXPECT_EQ(processExeName("/opt/game/launcher", "./launcher"), "launcher");
}

struct PosixFilesTest : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / uniqueName("files");
  std::string base;  // launcher spelling of dir
  PosixFiles files;
  PosixFilesTest() {
    fs::create_directories(dir);
    base = launcherPath(dir.string()) + "\\";
  }
  ~PosixFilesTest() override { fs::remove_all(dir); }
};

// Paths of this system are UTF-8 and stay so in the launcher, whatever script names a folder;
// a GBK name from the manifest is spelled in UTF-8 before it joins one of them.
TEST_F(PosixFilesTest, FoldersInAnyScriptWorkAndManifestNamesJoinThemAsUtf8) {
  PosixSystem system;
  EXPECT_TRUE(system.leadBytes().none());
  for (const char* name : {"Spieler Ölmühle ß", "測試 客戶端", "テスト ｶﾀｶﾅ ソ表", "中文 目录"}) {
    fs::create_directories(dir / name);
    std::string folder = base + name + "\\";
    EXPECT_TRUE(files.isDirectory(folder)) << name;
    ASSERT_TRUE(files.createDirectory(folder + "DownloadCache")) << name;
    std::string patch = folder + system.manifestFileName("\xCA\xFD\xBE\xDD") + "\\";  // 数据
    ASSERT_TRUE(files.createDirectory(patch)) << name;
    ASSERT_TRUE(files.writeWhole(patch + system.manifestFileName("\xB2\xB9\xB6\xA1.txt"), "abc"));  // 补丁.txt
    EXPECT_TRUE(fs::exists(dir / name / "DownloadCache")) << name;
    std::string bytes;
    EXPECT_TRUE(files.readWhole(folder + "数据\\补丁.txt", bytes)) << name;
    EXPECT_EQ(bytes, "abc");
    fs::path before = fs::current_path();
    ASSERT_TRUE(files.setCurrentDirectory(folder));
    EXPECT_EQ(files.currentDirectory() + "\\", folder);
    fs::current_path(before);
  }
}

TEST_F(PosixFilesTest, MoveNeverReplacesButCopyMayWhenAsked) {
  files.writeWhole(base + "a", "new");
  files.writeWhole(base + "b", "old");
  EXPECT_FALSE(files.moveFile(base + "a", base + "b"));
  EXPECT_FALSE(files.copyFile(base + "a", base + "b", false));
  std::string bytes;
  files.readWhole(base + "b", bytes);
  EXPECT_EQ(bytes, "old");
  EXPECT_TRUE(files.copyFile(base + "a", base + "b", true));
  files.readWhole(base + "b", bytes);
  EXPECT_EQ(bytes, "new");
  EXPECT_TRUE(files.moveFile(base + "a", base + "c"));
  EXPECT_FALSE(files.exists(base + "a"));
  EXPECT_TRUE(files.deleteFile(base + "c"));
  EXPECT_FALSE(files.deleteFile(base + "c"));
}

// Both ways of replacing a file leave one that another holder locked alone until it is
// released; the rename keeps the old file's permissions as the copy does.
TEST_F(PosixFilesTest, ReplacingLeavesATargetAnotherHolderLockedAloneUntilItIsReleased) {
  const std::vector<std::function<bool(const std::string&, const std::string&)>> replacers = {
      [&](const std::string& from, const std::string& to) { return files.copyFile(from, to, true); },
      [&](const std::string& from, const std::string& to) { return files.replaceByRename(from, to); }};
  for (size_t way = 0; way < replacers.size(); ++way) {
    const auto& replace = replacers[way];
    files.writeWhole(base + "new", "fresh contents");
    files.writeWhole(base + "target", "old");
    ::chmod(hostPath(base + "target").c_str(), 0640);
    int holder = ::open(hostPath(base + "target").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(replace(base + "new", base + "target")) << way;
    std::string bytes;
    files.readWhole(base + "target", bytes);
    EXPECT_EQ(bytes, "old") << way;
    // A shared lock, a reader that lets others only read, keeps it as well.
    ::flock(holder, LOCK_SH);
    EXPECT_FALSE(replace(base + "new", base + "target")) << way;
    EXPECT_TRUE(files.exists(base + "new")) << way;
    ::close(holder);
    EXPECT_TRUE(replace(base + "new", base + "target")) << way;
    files.readWhole(base + "target", bytes);
    EXPECT_EQ(bytes, "fresh contents") << way;
    struct stat st{};
    ::stat(hostPath(base + "target").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << way;
    files.deleteFile(base + "new");
  }
  // Nothing to replace: the rename is not the way, a plain move is.
  files.writeWhole(base + "new", "x");
  EXPECT_FALSE(files.replaceByRename(base + "new", base + "absent"));
  EXPECT_TRUE(files.exists(base + "new"));
}

// A disk that fills during the copy (here: a file-size limit in a child process) leaves the old
// file whole, its permissions kept on success, and no sibling behind.
TEST_F(PosixFilesTest, CopyOverAFileThatTheDiskCannotHoldLeavesTheOldOneWhole) {
  files.writeWhole(base + "new", std::string(20000, 'n'));
  files.writeWhole(base + "target", "old");
  ::chmod(hostPath(base + "target").c_str(), 0750);
  pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(files.copyFile(base + "new", base + "target", true) ? 1 : 0);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the cut-short copy counted as done";
  std::string bytes;
  files.readWhole(base + "target", bytes);
  EXPECT_EQ(bytes, "old");
  EXPECT_FALSE(files.exists(base + "target" + platform::kReplacementSuffix));

  // A file of the client's own whose name merely ends in ".new" is not a leftover of ours.
  files.writeWhole(base + "target.new", "the client's");
  EXPECT_TRUE(files.copyFile(base + "new", base + "target", true));
  files.readWhole(base + "target", bytes);
  EXPECT_EQ(bytes.size(), 20000u);
  files.readWhole(base + "target.new", bytes);
  EXPECT_EQ(bytes, "the client's");
  struct stat st{};
  ::stat(hostPath(base + "target").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0750u);
}

TEST_F(PosixFilesTest, ReplaceLeavesTheOldOrTheNewContentsAndNoSibling) {
  std::string bytes;
  ASSERT_TRUE(files.replaceWhole(base + "record", "first"));
  ASSERT_TRUE(files.replaceWhole(base + "record", "second, longer"));
  EXPECT_TRUE(files.readWhole(base + "record", bytes));
  EXPECT_EQ(bytes, "second, longer");
  EXPECT_FALSE(files.exists(base + "record" + platform::kReplacementSuffix));
  // A target the rename cannot replace keeps what it was, and the written sibling goes.
  fs::create_directories(dir / "busy" / "inside");
  EXPECT_FALSE(files.replaceWhole(base + "busy", "lost"));
  EXPECT_TRUE(files.isDirectory(base + "busy\\inside"));
  EXPECT_FALSE(files.exists(base + "busy" + platform::kReplacementSuffix));
}

TEST_F(PosixFilesTest, PrefixAndBlocksReadWhatIsThere) {
  files.writeWhole(base + "f", std::string(100, 'x'));
  std::string prefix;
  EXPECT_TRUE(files.readPrefix(base + "f", 32, prefix));
  EXPECT_EQ(prefix.size(), 32u);
  EXPECT_TRUE(files.readPrefix(base + "f", 1000, prefix));
  EXPECT_EQ(prefix.size(), 100u);
  size_t total = 0, blocks = 0;
  EXPECT_TRUE(files.readBlocks(base + "f", 30, [&](const char*, size_t n) {
    total += n;
    ++blocks;
    return true;
  }));
  EXPECT_EQ(total, 100u);
  EXPECT_EQ(blocks, 4u);
  EXPECT_FALSE(files.readPrefix(base + "missing", 32, prefix));
}

TEST_F(PosixFilesTest, FreeSpaceAndTheProgramHoldingAFile) {
  int64_t freeBytes = -1;
  EXPECT_TRUE(files.freeSpace(base, freeBytes));
  EXPECT_GT(freeBytes, 0);
  EXPECT_FALSE(files.freeSpace(base + "missing\\", freeBytes));

  files.writeWhole(base + "held", "x");
  EXPECT_EQ(files.holderOf(base + "held"), "");
  std::string host = hostPath(base + "held");
  pid_t child = ::fork();
  if (child == 0) {
    int fd = ::open(host.c_str(), O_RDONLY);
    if (fd < 0) ::_exit(1);
    ::dup2(fd, 0);
    ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    ::_exit(1);
  }
  std::string holder;
  for (int i = 0; i < 400 && holder != "sleep"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    holder = files.holderOf(base + "held");
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(holder, "sleep");
}

TEST(PosixSystem, AFolderIsShownWithThisSystemsSeparatorsInTheDisplayCodePage) {
  PosixSystem system;
  // \tmp\客户端 as the launcher spells it (UTF-8 here); GBK of /tmp/客户端 on screen.
  EXPECT_EQ(system.displayText("\\tmp\\\xE5\xAE\xA2\xE6\x88\xB7\xE7\xAB\xAF", 936), "/tmp/\xBF\xCD\xBB\xA7\xB6\xCB");
}

TEST(PosixSystem, LocaleNamesMapToWindowsIdentifiers) {
  EXPECT_EQ(localeIdOfName("zh_CN.UTF-8"), 2052);
  EXPECT_EQ(localeIdOfName("zh_TW.UTF-8"), 1028);
  EXPECT_EQ(localeIdOfName("ja_JP.UTF-8"), 1041);
  EXPECT_EQ(localeIdOfName("en_US.UTF-8"), 1033);
  EXPECT_EQ(localeIdOfName("C"), 1033);
  EXPECT_EQ(localeIdOfName("zh_HK.UTF-8@x"), 3076);
}

TEST(PosixSystem, LocalTimeIsUtcShiftedByTheZoneOffset) {
  PosixSystem system;
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  ::setenv("TZ", "Asia/Shanghai", 1);
  ::tzset();
  platform::LocalTime local = system.localNow();
  auto utc = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(static_cast<double>(local.seconds - utc), 8 * 3600.0, 2.0);
  EXPECT_GE(local.milliseconds, 0);
  EXPECT_LT(local.milliseconds, 1000);
  if (old) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

}  // namespace
