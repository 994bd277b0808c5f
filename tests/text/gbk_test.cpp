#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace text {
namespace {

TEST(AsciiLower, FoldsOnlyAsciiLettersOutsideTwoByteCharacters) {
  EXPECT_EQ(asciiLower("Client.EXE"), "client.exe");
  EXPECT_EQ(asciiLower("HTTP://A-Z[@]`{"), "http://a-z[@]`{");
  // 礎 is B5 41 in GBK: its trail byte is 'A' and must stay.
  EXPECT_EQ(asciiLower("\xB5\x41" "B"), "\xB5\x41" "b");
  // 0x80 and 0xFF start no pair, so the letter after them is folded.
  EXPECT_EQ(asciiLower("\x80" "A\xFF" "B"), "\x80" "a\xFF" "b");
  EXPECT_EQ(asciiLower("X\xB5"), "x\xB5");
}

TEST(EndsWithNoCase, ComparesEndingsWithoutLetterCase) {
  EXPECT_TRUE(endsWithNoCase("Client.EXE", ".exe"));
  EXPECT_TRUE(endsWithNoCase("link.Url", ".URL"));
  EXPECT_TRUE(endsWithNoCase(".lnk", ".LNK"));
  EXPECT_TRUE(endsWithNoCase("anything", ""));
  EXPECT_FALSE(endsWithNoCase("lnk", ".lnk"));
  EXPECT_FALSE(endsWithNoCase("file.exe.bak", ".exe"));
  // The trail byte 'A' of 礎 (B5 41) is no letter and does not match 'a'.
  EXPECT_FALSE(endsWithNoCase("x\xB5\x41", "a"));
  EXPECT_TRUE(endsWithNoCase("x\xB5\x41", "\xB5\x41"));
}

struct Sample {
  const char* utf8;
  const char* gbk;
};

const Sample kLauncherTexts[] = {
    {"正在检查更新......", "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2......"},
    {"请把登陆器放到游戏客户端运行..",
     "\xC7\xEB\xB0\xD1\xB5\xC7\xC2\xBD\xC6\xF7\xB7\xC5\xB5\xBD\xD3\xCE"
     "\xCF\xB7\xBF\xCD\xBB\xA7\xB6\xCB\xD4\xCB\xD0\xD0.."},
    {"VeskoTalveria登录器", "VeskoTalveria\xB5\xC7\xC2\xBC\xC6\xF7"},
    {"更新完毕, 祝你游戏愉快！",
     "\xB8\xFC\xD0\xC2\xCD\xEA\xB1\xCF, \xD7\xA3\xC4\xE3\xD3\xCE\xCF\xB7\xD3\xE4\xBF\xEC\xA3\xA1"},
    {"信息：", "\xD0\xC5\xCF\xA2\xA3\xBA"},
};

TEST(GbkUtf8, LauncherTextsConvertBothWays) {
  for (const auto& sample : kLauncherTexts) {
    SCOPED_TRACE(sample.utf8);
    EXPECT_EQ(utf8ToGbk(sample.utf8), sample.gbk);
    EXPECT_EQ(gbkToUtf8(sample.gbk), sample.utf8);
  }
  EXPECT_EQ(utf8ToGbk(""), "");
  EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(GbkUtf8, EdgesOfTheTable) {
  // 81 40 is the first slot of the table, FE 4F the last defined one.
  EXPECT_EQ(gbkToUtf8("\x81\x40"), "丂");
  EXPECT_EQ(utf8ToGbk("丂"), "\x81\x40");
  EXPECT_EQ(gbkToUtf8("\xB0\xA1"), "啊");
  EXPECT_EQ(utf8ToGbk("啊"), "\xB0\xA1");
  EXPECT_EQ(gbkToUtf8("\xFE\x4F"), "\xEF\xA8\xA9");  // U+FA29
  EXPECT_EQ(utf8ToGbk("\xEF\xA8\xA9"), "\xFE\x4F");
  EXPECT_EQ(gbkToUtf8("\xA1\xA1"), "\xE3\x80\x80");  // full-width space U+3000
}

TEST(GbkUtf8, UnconvertibleGbkBytesBecomeQuestionMarks) {
  EXPECT_EQ(gbkToUtf8("a\x80" "b"), "a?b");
  EXPECT_EQ(gbkToUtf8("a\xFF" "b"), "a?b");
  EXPECT_EQ(gbkToUtf8("ab\xD5"), "ab?");             // lead byte cut off at the end
  EXPECT_EQ(gbkToUtf8("\xD5" "1x"), "?1x");          // no trail byte: the digit survives
  EXPECT_EQ(gbkToUtf8("\xD5\x7F" "x"), "?\x7F" "x");  // 0x7F is no trail byte
  EXPECT_EQ(gbkToUtf8("\xAA\xA1" "x"), "?x");        // user-defined area: one character lost
}

TEST(GbkUtf8, UnconvertibleUtf8BecomesQuestionMarks) {
  EXPECT_EQ(utf8ToGbk("a\xFF" "b"), "a?b");
  EXPECT_EQ(utf8ToGbk("a\xC0\xAF" "b"), "a??b");        // overlong '/'
  EXPECT_EQ(utf8ToGbk("a\xED\xA0\x80" "b"), "a???b");   // surrogate
  EXPECT_EQ(utf8ToGbk("a\xE6\xAD"), "a??");             // truncated 正
  EXPECT_EQ(utf8ToGbk("\xF0\x9F\x98\x80" "x"), "?x");   // emoji: valid, not in GBK
  EXPECT_EQ(utf8ToGbk("\xE3\x81\x82"), "\xA4\xA2");     // あ is in GBK
  EXPECT_EQ(utf8ToGbk("\xEA\xB0\x80"), "?");            // 가 is not
}

}  // namespace
}  // namespace text
