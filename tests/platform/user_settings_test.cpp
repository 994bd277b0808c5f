// The Linux stand-in for the current user's registry values, and standard input read as lines.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/input_lines.h"
#include "platform/posix/posix_registry.h"

namespace {

namespace fs = std::filesystem;
using platform::posix::PosixRegistry;

struct TempFolder {
  fs::path path = fs::temp_directory_path() / ("user-settings-" + std::to_string(::getpid()));
  TempFolder() { fs::create_directories(path); }
  ~TempFolder() { fs::remove_all(path); }
};

std::string contents(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PosixUserValues, WrittenReadBackReplacedAndKeptApartByKeyAndName) {
  TempFolder temp;
  fs::path file = temp.path / "deep" / "folder" / "settings";
  PosixRegistry registry(file.string());
  uint32_t value = 7;
  EXPECT_FALSE(registry.userDword("Software\\A", "Limit", value)) << "no file yet";
  EXPECT_TRUE(registry.setUserDword("Software\\A", "Limit", 1048576));
  EXPECT_TRUE(registry.setUserDword("Software\\A", "Other", 5));
  EXPECT_TRUE(registry.setUserDword("Software\\A", "Limit", 4294967295u));
  EXPECT_TRUE(registry.userDword("Software\\A", "Limit", value));
  EXPECT_EQ(value, 4294967295u);
  EXPECT_TRUE(registry.userDword("Software\\A", "Other", value));
  EXPECT_EQ(value, 5u);
  EXPECT_FALSE(registry.userDword("Software\\B", "Limit", value));
  EXPECT_FALSE(registry.userDword("Software\\A", "Lim", value));
  EXPECT_EQ(contents(file), "Software\\A\\Other=5\nSoftware\\A\\Limit=4294967295\n");
  EXPECT_FALSE(fs::exists(file.string() + ".new"));
}

TEST(PosixUserValues, AValueThatIsNoDwordReadsAsMissing) {
  TempFolder temp;
  fs::path file = temp.path / "settings";
  for (const char* stored : {"K\\V=", "K\\V=12x", "K\\V=-1", "K\\V=4294967296", "K\\V=99999999999"}) {
    std::ofstream(file) << stored << "\n";
    uint32_t value = 0;
    EXPECT_FALSE(PosixRegistry(file.string()).userDword("K", "V", value)) << stored;
  }
}

TEST(PosixUserValues, TheFileLivesInTheUsersConfigurationFolder) {
  struct Case {
    const char* xdg;   // nullptr: unset
    const char* home;  // nullptr: unset
    std::string file;
  } cases[] = {
      {"/cfg", "/home/p", "/cfg/vktalvera-launcher/settings"},
      {nullptr, "/home/p", "/home/p/.config/vktalvera-launcher/settings"},
      {"relative/cfg", "/home/p", "/home/p/.config/vktalvera-launcher/settings"},
      {"", "/home/p", "/home/p/.config/vktalvera-launcher/settings"},
      {nullptr, nullptr, ""},
  };
  std::string savedXdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (const Case& c : cases) {
    c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
    EXPECT_EQ(PosixRegistry::userSettingsFile(), c.file) << (c.xdg ? c.xdg : "(unset)");
  }
  uint32_t value = 0;
  EXPECT_FALSE(PosixRegistry().setUserDword("K", "V", 1)) << "nowhere to write";
  EXPECT_FALSE(PosixRegistry().userDword("K", "V", value));
  savedXdg.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  savedHome.empty() ? unsetenv("HOME") : setenv("HOME", savedHome.c_str(), 1);
}

std::vector<std::string> split(const std::vector<std::string>& pieces, bool finish = true) {
  platform::LineSplitter splitter;
  std::vector<std::string> lines;
  auto take = [&](const std::string& l) { lines.push_back(l); };
  for (const auto& p : pieces) splitter.feed(p.data(), p.size(), take);
  if (finish) splitter.finish(take);
  return lines;
}

TEST(LineSplitter, LinesAcrossPiecesWithTheirEndsDropped) {
  std::string longest(platform::LineSplitter::kLongestLine, 'a');
  struct Case {
    std::vector<std::string> pieces;
    std::vector<std::string> lines;
  } cases[] = {
      {{"limit 5\npause\n"}, {"limit 5", "pause"}},
      {{"lim", "it 5\r", "\nres", "ume"}, {"limit 5", "resume"}},
      {{"\n\r\n"}, {"", ""}},
      {{"last\r"}, {"last"}},
      {{longest + "bbb\nnext\n"}, {longest, "next"}},
      {{longest + "\r\n"}, {longest}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(split(c.pieces), c.lines) << c.pieces.size();
  EXPECT_EQ(split({"no end yet"}, false), std::vector<std::string>{});
}

// Standard input replaced by a pipe for the length of one test.
struct PipedInput {
  int saved = dup(0);
  int writeEnd = -1;
  PipedInput() {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    dup2(ends[0], 0);
    close(ends[0]);
    writeEnd = ends[1];
  }
  void write(const std::string& bytes) { EXPECT_EQ(::write(writeEnd, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
  void end() {
    if (writeEnd >= 0) close(writeEnd);
    writeEnd = -1;
  }
  ~PipedInput() {
    end();
    dup2(saved, 0);
    close(saved);
  }
};

struct Collected {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> lines;
  void add(const std::string& l) {
    std::lock_guard lock(mutex);
    lines.push_back(l);
    changed.notify_all();
  }
  bool waitFor(size_t n, std::chrono::milliseconds most = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, most, [&] { return lines.size() >= n; });
  }
};

TEST(InputLines, DeliversEachLineAndStopsWhileWaiting) {
  PipedInput input;
  Collected got;
  {
    platform::InputLines lines;
    lines.start([&](const std::string& l) { got.add(l); });
    input.write("limit 1048576\npau");
    ASSERT_TRUE(got.waitFor(1));
    input.write("se\n");
    ASSERT_TRUE(got.waitFor(2));
  }  // destroyed while the reader waits for more: returns, and the pipe stays open
  input.write("after\n");
  EXPECT_EQ(got.lines, (std::vector<std::string>{"limit 1048576", "pause"}));
}

TEST(InputLines, TheInputTakenAtCreationIsReadNotWhatLaterTakesItsPlace) {
  PipedInput input;
  Collected got;
  platform::InputLines lines;
  // Descriptor 0 now names another pipe: the reader still reads the first.
  PipedInput other;
  other.write("not this\n");
  lines.start([&](const std::string& l) { got.add(l); });
  input.write("this\nand the last without an end");
  input.end();
  ASSERT_TRUE(got.waitFor(2));
  EXPECT_EQ(got.lines, (std::vector<std::string>{"this", "and the last without an end"}));
}

TEST(InputLines, AClosedInputIsNeverRead) {
  int saved = dup(0);
  close(0);
  platform::InputLines lines;
  // A file opened now gets descriptor 0; it must not be taken for the input.
  int reused = open("/proc/self/cmdline", O_RDONLY);
  EXPECT_EQ(reused, 0);
  Collected got;
  lines.start([&](const std::string& l) { got.add(l); });
  // What was there would have come at once; a slower reader only lets this pass wrongly.
  EXPECT_FALSE(got.waitFor(1, std::chrono::milliseconds(500)));
  close(reused);
  dup2(saved, 0);
  close(saved);
}

}  // namespace
