#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_platform.h"
#include "patching/check_code.h"
#include "patching/md5.h"

namespace patching {
namespace {

std::string bytes0To(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i);
  return s;
}

// Files that refuse whole-file reads and record the largest block asked for.
struct StreamingOnlyFiles : fakes::FakeFiles {
  size_t largestBlock = 0;
  bool wholeRead = false;
  bool readWhole(const std::string& path, std::string& bytes) override {
    wholeRead = true;
    return FakeFiles::readWhole(path, bytes);
  }
  bool readBlocks(const std::string& path, size_t blockSize,
                  const std::function<bool(const char*, size_t)>& sink) override {
    largestBlock = std::max(largestBlock, blockSize);
    std::string all;
    if (!FakeFiles::readWhole(path, all)) return false;
    for (size_t at = 0; at < all.size(); at += blockSize)
      if (!sink(all.data() + at, std::min(blockSize, all.size() - at))) break;
    return true;
  }
};

TEST(HeaderCheckCode, BytesSixteenToTwentyThree) {
  EXPECT_EQ(headerCheckCode(bytes0To(32)), "1011121314151617");
  // Only the first 32 bytes count.
  EXPECT_EQ(headerCheckCode(bytes0To(32) + "anything after"), "1011121314151617");
}

TEST(HeaderCheckCode, ShortFiles) {
  EXPECT_EQ(headerCheckCode(bytes0To(20)), "0405060708090A0B");  // first 8 of the last 16
  EXPECT_EQ(headerCheckCode(bytes0To(16)), "0001020304050607");
  EXPECT_EQ(headerCheckCode(bytes0To(10)), "0001020304050607");
  EXPECT_EQ(headerCheckCode(bytes0To(5)), "0001020304");
  EXPECT_EQ(headerCheckCode(""), "");
}

TEST(MatchableCode, LengthAndUpperCaseHex) {
  EXPECT_TRUE(isMatchableCode("D41D8CD98F00B204E9800998ECF8427E"));
  EXPECT_TRUE(isMatchableCode("0123456789ABCDEF"));
  EXPECT_FALSE(isMatchableCode("d41d8cd98f00b204e9800998ecf8427e"));
  EXPECT_FALSE(isMatchableCode("0123456789ABCDEG"));
  EXPECT_FALSE(isMatchableCode("0123456789ABCDE"));
  EXPECT_FALSE(isMatchableCode(""));
}

struct PatchCurrentTest : ::testing::Test {
  fakes::FakeFiles files;
  std::string path = "C:\\Game\\data\\a.pack";
  void SetUp() override { files.files[path] = bytes0To(100); }
};

TEST_F(PatchCurrentTest, UpperCaseMd5MatchesLowerCaseNever) {
  std::string md5 = md5Hex(bytes0To(100));
  EXPECT_TRUE(isPatchCurrent(files, path, md5));
  std::string lower = md5;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_FALSE(isPatchCurrent(files, path, lower));
  files.files[path][50] ^= 1;
  EXPECT_FALSE(isPatchCurrent(files, path, md5));
}

TEST_F(PatchCurrentTest, HeaderCodeIgnoresTheRestOfTheFile) {
  EXPECT_TRUE(isPatchCurrent(files, path, "1011121314151617"));
  files.files[path][0] = 'x';
  files.files[path][99] = 'y';
  EXPECT_TRUE(isPatchCurrent(files, path, "1011121314151617"));
  files.files[path][23] = 'z';
  EXPECT_FALSE(isPatchCurrent(files, path, "1011121314151617"));
}

TEST_F(PatchCurrentTest, OtherLengthsAndMissingFilesAreNeverCurrent) {
  EXPECT_FALSE(isPatchCurrent(files, path, ""));
  EXPECT_FALSE(isPatchCurrent(files, path, "101112131415161"));
  EXPECT_FALSE(isPatchCurrent(files, "C:\\Game\\data\\b.pack", "1011121314151617"));
  // A header code shorter than 16 digits (a 5-byte file) never matches, even its own digits.
  files.files[path] = bytes0To(5);
  EXPECT_FALSE(isPatchCurrent(files, path, "0001020304"));
  // A folder at the place of the file cannot be read.
  files.directories.insert("C:\\Game\\data\\c.pack");
  EXPECT_FALSE(isPatchCurrent(files, "C:\\Game\\data\\c.pack", "0001020304050607"));
}

TEST(FileMd5, StreamsInBoundedBlocks) {
  StreamingOnlyFiles files;
  std::string data = bytes0To(3 * 1024 * 1024 + 17);
  files.files["C:\\big.pack"] = data;
  std::string hex;
  ASSERT_TRUE(fileMd5Hex(files, "C:\\big.pack", hex));
  EXPECT_EQ(hex, md5Hex(data));
  EXPECT_FALSE(files.wholeRead);
  EXPECT_GT(files.largestBlock, 0u);
  EXPECT_LE(files.largestBlock, 1024u * 1024u);
  EXPECT_FALSE(fileMd5Hex(files, "C:\\missing.pack", hex));
}

}  // namespace
}  // namespace patching
