#include "text/display_language.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/encoded_text.h"

namespace text {
namespace {

using fakes::encoded;
using fakes::gbkOf;
const std::string kChecking = gbkOf("正在检查更新......");
const std::string kWrongFolder = gbkOf("请把登陆器放到游戏客户端运行..");
const std::string kTitle = gbkOf("VeskoTalveria登录器");

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

// Expected bytes are the C library's encoding of the traditional and Japanese forms.
TEST(ConvertForDisplay, TraditionalGivesBig5) {
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, kChecking), encoded("正在檢查更新......", "CP950"));
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, kTitle), encoded("VeskoTalveria登錄器", "CP950"));
  EXPECT_EQ(convertForDisplay(DisplayCode::TC, kWrongFolder), encoded("請把登陸器放到游戲客戶端運行..", "CP950"));
}

TEST(ConvertForDisplay, JapaneseGivesShiftJis) {
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, kChecking), encoded("正在検査更新......", "CP932"));
  EXPECT_EQ(convertForDisplay(DisplayCode::JP, kTitle), encoded("VeskoTalveria登録器", "CP932"));
  const std::string folder = convertForDisplay(DisplayCode::JP, kWrongFolder);
  ASSERT_EQ(folder.size(), kWrongFolder.size());
  EXPECT_EQ(folder.substr(0, 2), encoded("請", "CP932"));
  EXPECT_EQ(folder.substr(6, 2), encoded("陸", "CP932"));
  EXPECT_EQ(folder.substr(20, 2), encoded("戸", "CP932"));
  EXPECT_EQ(folder.substr(24, 2), encoded("運", "CP932"));
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
