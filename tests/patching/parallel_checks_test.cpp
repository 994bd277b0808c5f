#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "patching/current_checks.h"
#include "patching/md5.h"
#include "platform/posix/posix_files.h"

namespace patching {
namespace {

namespace fs = std::filesystem;

// Real files on disk, read by several threads at once: the answers must be those of a
// single thread, in entry order.
TEST(ParallelChecks, AnswersStayInEntryOrder) {
  fs::path dir = fs::temp_directory_path() / ("patch_checks_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<PatchEntry> entries;
  std::vector<bool> expected;
  for (int i = 0; i < 200; ++i) {
    std::string content(static_cast<size_t>(i * 997 % 70000), static_cast<char>('a' + i % 26));
    std::string file = (dir / ("f" + std::to_string(i))).string();
    if (i % 7 != 3) std::ofstream(file, std::ios::binary) << content;
    PatchEntry e;
    e.name = "f" + std::to_string(i);
    e.localPath = file;
    bool good = i % 5 != 0;
    e.CheckCode = md5Hex(good ? content : content + "x");
    if (i % 11 == 0) e.CheckCode = "0000000000000000";  // a header code none of these files has
    entries.push_back(e);
    expected.push_back(good && i % 7 != 3 && i % 11 != 0);
  }
  platform::posix::PosixFiles files;
  EXPECT_EQ(checkAllCurrent(files, entries, 1), expected);
  EXPECT_EQ(checkAllCurrent(files, entries, 4), expected);
  EXPECT_EQ(checkAllCurrent(files, {}, 4), std::vector<bool>{});
  fs::remove_all(dir);
}

}  // namespace
}  // namespace patching
