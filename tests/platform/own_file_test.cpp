#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>

#include "platform/mapped_file.h"
#include "platform/posix/host_text.h"
#include "platform/posix/posix_files.h"

namespace {

using namespace platform::posix;
namespace fs = std::filesystem;

std::string contentOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Files the launcher makes (the log, the serial file, the download's .tmp and .work) with
// something else planted under their names beforehand.
struct PlantedName : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / ("own-files-" + std::to_string(::getpid()));
  fs::path victim = dir / "elsewhere" / "victim.txt";
  PosixFiles files;

  PlantedName() {
    fs::create_directories(victim.parent_path());
    std::ofstream(victim) << "keep me";
  }
  ~PlantedName() override { fs::remove_all(dir); }
  std::string at(const std::string& name) { return launcherPath((dir / name).string()); }

  using Write = std::function<bool(const std::string& path)>;
  // Each way the launcher writes a file it makes, with the bytes the file must then hold.
  struct Writer {
    const char* name;
    Write write;
    std::string expected;
  };
  std::vector<Writer> writers() {
    return {
        {"append", [&](const std::string& p) { return files.appendWhole(p, "new"); }, "new"},
        {"write", [&](const std::string& p) { return files.writeWhole(p, "new"); }, "new"},
        {"replace", [&](const std::string& p) { return files.replaceWhole(p, "new"); }, "new"},
        {"preallocate",
         [](const std::string& p) {
           platform::MappedFile file;
           return file.create(p, 3) && file.write(0, "new", 3);
         },
         "new"},
    };
  }
};

TEST_F(PlantedName, ALinkInTheFilesPlaceIsReplacedNeverWrittenThrough) {
  for (const Writer& w : writers()) {
    for (const char* kind : {"link", "dangling link", "hard link"}) {
      SCOPED_TRACE(std::string(w.name) + ", " + kind);
      fs::path planted = dir / "launcher.log";
      fs::path dangling = dir / "elsewhere" / "created-by-us";
      if (std::string(kind) == "link") fs::create_symlink(victim, planted);
      if (std::string(kind) == "dangling link") fs::create_symlink(dangling, planted);
      if (std::string(kind) == "hard link") fs::create_hard_link(victim, planted);

      EXPECT_TRUE(w.write(at("launcher.log")));
      EXPECT_EQ(contentOf(victim), "keep me");
      EXPECT_FALSE(fs::exists(dangling));
      EXPECT_FALSE(fs::is_symlink(planted));
      EXPECT_EQ(contentOf(planted), w.expected);
      fs::remove(planted);
    }
  }
  // The sibling a replacement is written to first is no way through either.
  fs::create_symlink(victim, dir / (std::string("ManifestSerial.txt") + platform::kReplacementSuffix));
  EXPECT_TRUE(files.replaceWhole(at("ManifestSerial.txt"), "7\r\n"));
  EXPECT_EQ(contentOf(victim), "keep me");
  EXPECT_EQ(contentOf(dir / "ManifestSerial.txt"), "7\r\n");
}

// A FIFO without a reader would hold an ordinary open for ever.
TEST_F(PlantedName, AFifoInTheFilesPlaceNeverBlocksAndBecomesAFile) {
  for (const Writer& w : writers()) {
    SCOPED_TRACE(w.name);
    fs::path fifo = dir / "launcher.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    auto done = std::async(std::launch::async, [&] { return w.write(at("launcher.log")); });
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the stuck writer go on
      done.wait();
      ::close(unblock);
      FAIL() << "the write waited for a reader of the FIFO";
    }
    EXPECT_TRUE(done.get());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(fifo)));
    EXPECT_EQ(contentOf(fifo), w.expected);
    fs::remove(fifo);
  }
}

// Only the file's own name is looked at: a folder the player moved elsewhere and linked back
// keeps taking the launcher's files, and an ordinary file is appended to as before.
TEST_F(PlantedName, LinkedFoldersOnTheWayAndOrdinaryFilesStayAsTheyWere) {
  fs::create_directories(dir / "moved" / "DownloadCache");
  fs::create_directory_symlink(dir / "moved" / "DownloadCache", dir / "DownloadCache");
  EXPECT_TRUE(files.appendWhole(at("DownloadCache/launcher.log"), "one "));
  EXPECT_TRUE(files.appendWhole(at("DownloadCache/launcher.log"), "two"));
  EXPECT_EQ(contentOf(dir / "moved" / "DownloadCache" / "launcher.log"), "one two");
  EXPECT_TRUE(files.replaceWhole(at("DownloadCache/a.tmp.work"), "state"));
  EXPECT_EQ(contentOf(dir / "moved" / "DownloadCache" / "a.tmp.work"), "state");
  // A folder under the name is not taken away.
  fs::create_directory(dir / "folder.log");
  EXPECT_FALSE(files.appendWhole(at("folder.log"), "x"));
  EXPECT_TRUE(fs::is_directory(dir / "folder.log"));
}

TEST_F(PlantedName, AResumeNeverOpensALinkedDownload) {
  std::ofstream(dir / "real.tmp") << "abc";
  fs::create_symlink(dir / "real.tmp", dir / "linked.tmp");
  platform::MappedFile file;
  EXPECT_TRUE(file.openExisting(at("real.tmp"), 3));
  file.close();
  EXPECT_FALSE(file.openExisting(at("linked.tmp"), 3));
}

}  // namespace
