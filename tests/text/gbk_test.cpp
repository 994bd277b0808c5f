#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/encoded_text.h"

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

// Texts of the launcher, with their GBK form from the C library rather than from our table.
const char* const kLauncherTexts[] = {
    "正在检查更新......", "请把登陆器放到游戏客户端运行..", "VeskoTalveria登录器", "更新完毕, 祝你游戏愉快！", "信息：",
};

TEST(GbkUtf8, LauncherTextsConvertBothWays) {
  for (const char* utf8 : kLauncherTexts) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(utf8ToGbk(utf8), fakes::gbkOf(utf8));
    EXPECT_EQ(gbkToUtf8(fakes::gbkOf(utf8)), utf8);
  }
  EXPECT_EQ(utf8ToGbk(""), "");
  EXPECT_EQ(gbkToUtf8(""), "");
}

// Every two-byte code of the table against the C library's code page 936.
TEST(GbkUtf8, TheWholeTableAgreesWithTheCLibrary) {
  int compared = 0;
  std::vector<std::string> differing;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      std::string ours = gbkToUtf8(code);
      if (ours == "?" || ours.empty()) continue;
      ++compared;
      if (fakes::encoded(ours, "CP936") != code) differing.push_back(code);
    }
  EXPECT_GT(compared, 21000);
  EXPECT_TRUE(differing.empty()) << differing.size() << " codes differ";
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
