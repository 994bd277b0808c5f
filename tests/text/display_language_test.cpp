#include "text/display_language.h"

#include <gtest/gtest.h>

#include <string>

namespace text {
namespace {

// 正在检查更新...... (checking for updates)
const std::string kChecking = "\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2......";
// 请把登陆器放到游戏客户端运行.. (put the launcher into the game client folder and run it)
const std::string kWrongFolder =
    "\xC7\xEB\xB0\xD1\xB5\xC7\xC2\xBD\xC6\xF7\xB7\xC5\xB5\xBD\xD3\xCE"
    "\xCF\xB7\xBF\xCD\xBB\xA7\xB6\xCB\xD4\xCB\xD0\xD0..";
// VeskoTalveria登录器 (VeskoTalveria launcher)
const std::string kTitle = "VeskoTalveria\xB5\xC7\xC2\xBC\xC6\xF7";

TEST(DetectDisplayLanguage, MapsTheThreeLocalesAndEverythingElseToError) {
  EXPECT_EQ(detectDisplayLanguage(2052), DisplayCode::SC);
  EXPECT_EQ(detectDisplayLanguage(1028), DisplayCode::TC);
  EXPECT_EQ(detectDisplayLanguage(1041), DisplayCode::JP);
  EXPECT_EQ(detectDisplayLanguage(1033), DisplayCode::Error);
  EXPECT_EQ(detectDisplayLanguage(0), DisplayCode::Error);
  EXPECT_EQ(detectDisplayLanguage(-2052), DisplayCode::Error);
  EXPECT_EQ(detectDisplayLanguage(20520), DisplayCode::Error);
  EXPECT_EQ(detectDisplayLanguage(3076), DisplayCode::Error);  // Chinese (Hong Kong)
}

TEST(DetectDisplayLanguage, NamesAndCodePages) {
  EXPECT_STREQ(displayCodeName(DisplayCode::SC), "SC");
  EXPECT_STREQ(displayCodeName(DisplayCode::TC), "TC");
  EXPECT_STREQ(displayCodeName(DisplayCode::JP), "JP");
  EXPECT_STREQ(displayCodeName(DisplayCode::Error), "ERROR");
  EXPECT_EQ(displayCodePage(DisplayCode::SC), 936u);
  EXPECT_EQ(displayCodePage(DisplayCode::TC), 950u);
  EXPECT_EQ(displayCodePage(DisplayCode::JP), 932u);
  EXPECT_EQ(displayCodePage(DisplayCode::Error), 936u);
}

TEST(ConvertForDisplay, SimplifiedAndErrorLeaveTheTextAsStored) {
  for (const auto code : {DisplayCode::SC, DisplayCode::Error}) {
    EXPECT_EQ(convertForDisplay(code, kChecking), kChecking);
    EXPECT_EQ(convertForDisplay(code, kWrongFolder), kWrongFolder);
    EXPECT_EQ(convertForDisplay(code, kTitle), kTitle);
    EXPECT_EQ(convertForDisplay(code, ""), "");
  }
}

// Expected bytes are iconv's CP950 encoding of the traditional text.
TEST(ConvertForDisplay, TraditionalGivesBig5) {
  // 正在檢查更新......
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, kChecking),
            "\xA5\xBF\xA6\x62\xC0\xCB\xAC\x64\xA7\xF3\xB7\x73......");
  // VeskoTalveria登錄器
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, kTitle), "VeskoTalveria\xB5\x6E\xBF\xFD\xBE\xB9");
  // 請把登陸器放到游戲客戶端運行..
  const std::string folder = convertForDisplay(DisplayCode::TC, kWrongFolder);
  EXPECT_EQ(folder, "\xBD\xD0\xA7\xE2\xB5\x6E\xB3\xB0\xBE\xB9\xA9\xF1\xA8\xEC\xB4\xE5"
                    "\xC0\xB8\xAB\xC8\xA4\xE1\xBA\xDD\xB9\x42\xA6\xE6..");
}

// Expected bytes are iconv's CP932 encoding of the Japanese forms.
TEST(ConvertForDisplay, JapaneseGivesShiftJis) {
  // 正在検査更新......
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, kChecking),
            "\x90\xB3\x8D\xDD\x8C\x9F\x8D\xB8\x8D\x58\x90\x56......");
  // VeskoTalveria登録器
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, kTitle), "VeskoTalveria\x93\x6F\x98\x5E\x8A\xED");
  const std::string folder = convertForDisplay(DisplayCode::JP, kWrongFolder);
  ASSERT_EQ(folder.size(), kWrongFolder.size());
  EXPECT_EQ(folder.substr(0, 2), "\x90\xBF");    // 請
  EXPECT_EQ(folder.substr(6, 2), "\x97\xA4");    // 陸
  EXPECT_EQ(folder.substr(20, 2), "\x8C\xCB");   // 戸
  EXPECT_EQ(folder.substr(24, 2), "\x89\x5E");   // 運
  EXPECT_EQ(folder.substr(28), "..");
}

TEST(ConvertForDisplay, CharacterMissingFromTheTargetBecomesFullWidthQuestionMark) {
  // 〇 (U+3007) exists in GBK and in CP932 but not in CP950.
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, "\xA9\x96"), "\xA1\x48");
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, "\xA9\x96"), "\x81\x5A");
  // A user-defined GBK code has no character at all.
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, "\xAA\xA1"), "\xA1\x48");
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, "\xAA\xA1"), "\x81\x48");
}

TEST(ConvertForDisplay, AsciiAndBrokenBytesStayInPlace) {
  const std::string ascii = "Update 0.0.1 ok!\r\n";
  for (const auto code : {DisplayCode::TC, DisplayCode::JP}) {
    SCOPED_TRACE(displayCodeName(code));
    EXPECT_EQ(convertForDisplay(code, ascii), ascii);
    EXPECT_EQ(convertForDisplay(code, ""), "");
    // A lone lead byte at the end is kept, the character before it (检) is converted.
    const std::string cut = convertForDisplay(code, "ab\xBC\xEC\xD5");
    ASSERT_EQ(cut.size(), 5u);
    EXPECT_EQ(cut.substr(0, 2), "ab");
    EXPECT_EQ(cut.substr(2, 2), code == DisplayCode::TC ? "\xC0\xCB" : "\x8C\x9F");  // 檢 / 検
    EXPECT_EQ(cut[4], '\xD5');
    // 0x80 and 0xFF are no lead bytes: the pair they start is copied, and the ASCII
    // after it keeps its place.
    EXPECT_EQ(convertForDisplay(code, "\x80\xBC" "A"), "\x80\xBC" "A");
    EXPECT_EQ(convertForDisplay(code, "\xFF\xBC" "A"), "\xFF\xBC" "A");
    // A valid lead byte followed by a byte that is no trail byte: copied as a pair.
    EXPECT_EQ(convertForDisplay(code, "\xBC\x7F" "x"), "\xBC\x7F" "x");
    EXPECT_EQ(convertForDisplay(code, "\xBC\x30" "x"), "\xBC\x30" "x");
  }
}

TEST(ConvertForDisplay, KeepsTheByteLengthOfEveryText) {
  for (const auto code : {DisplayCode::TC, DisplayCode::JP}) {
    for (const auto& text : {kChecking, kWrongFolder, kTitle}) {
      const std::string converted = convertForDisplay(code, text);
      EXPECT_EQ(converted.size(), text.size());
      EXPECT_NE(converted, text);
    }
  }
}

}  // namespace
}  // namespace text
