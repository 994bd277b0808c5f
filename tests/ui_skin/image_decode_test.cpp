#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ui/component_names.h"
#include "ui/image.h"
#include "ui/image_assets.h"
#include "test_locations.h"

namespace ui {
namespace {

std::filesystem::path assetsFolder() {
  return std::filesystem::path(LAUNCHER_SOURCE_DIR) / "assets";
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Size {
  int width;
  int height;
};

Size expectedSize(Asset id) {
  std::string name = assetFileName(id);
  if (id == Asset::Background) return {988, 727};
  if (id == Asset::StatusOffline || id == Asset::StatusOnline) return {12, 13};
  if (id == Asset::ZoneField) return {206, 35};
  if (name.starts_with("btn_home") || name.starts_with("btn_forum")) return {82, 40};
  if (name.starts_with("btn_register")) return {148, 40};
  if (name.starts_with("btn_qqgroup")) return {154, 40};
  if (name.starts_with("btn_recharge")) return {102, 40};
  if (name.starts_with("btn_help")) return {148, 77};
  if (name.starts_with("btn_close") || name.starts_with("btn_minimise")) return {15, 16};
  if (name.starts_with("btn_start")) return {148, 72};
  return {-1, -1};
}

uint8_t alphaAt(const Image& image, int frame, int x, int y) {
  return image.frames[frame].bgra[(static_cast<size_t>(y) * image.width + x) * 4 + 3];
}

TEST(EmbeddedAssets, EveryAssetIsTheCommittedFileAndDecodesToItsSize) {
  for (int i = 0; i < static_cast<int>(Asset::Count); ++i) {
    auto id = static_cast<Asset>(i);
    SCOPED_TRACE(assetFileName(id));
    std::string_view bytes = assetBytes(id);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(std::string(bytes), readFile(assetsFolder() / assetFileName(id)));
    Image image = decodeImage(bytes);
    ASSERT_FALSE(image.empty());
    Size want = expectedSize(id);
    EXPECT_EQ(image.width, want.width);
    EXPECT_EQ(image.height, want.height);
  }
  EXPECT_TRUE(assetBytes(Asset::Count).empty());
}

TEST(EmbeddedAssets, FormatsMatchTheirRoles) {
  EXPECT_EQ(sniffImageFormat(assetBytes(Asset::Background)), ImageFormat::Png);
  EXPECT_EQ(sniffImageFormat(assetBytes(Asset::StatusOffline)), ImageFormat::Png);
  EXPECT_EQ(sniffImageFormat(assetBytes(Asset::StatusOnline)), ImageFormat::Gif);
  for (int i = 0; i < static_cast<int>(Asset::Count); ++i) {
    std::string name = assetFileName(static_cast<Asset>(i));
    if (name.starts_with("btn_") || name == "zone_field.jpg") {
      EXPECT_EQ(sniffImageFormat(assetBytes(static_cast<Asset>(i))), ImageFormat::Jpeg) << name;
    }
  }
}

TEST(EmbeddedAssets, BackgroundIsOpaqueTwentyFourBitRgb) {
  std::string_view png = assetBytes(Asset::Background);
  ASSERT_GT(png.size(), 26u);
  EXPECT_EQ(static_cast<uint8_t>(png[24]), 8);  // bit depth
  EXPECT_EQ(static_cast<uint8_t>(png[25]), 2);  // colour type RGB, no alpha, no palette
  Image image = decodeImage(png);
  ASSERT_FALSE(image.empty());
  for (size_t p = 3; p < image.frames[0].bgra.size(); p += 4) ASSERT_EQ(image.frames[0].bgra[p], 255);
}

TEST(EmbeddedAssets, OfflineIconHasTransparentAndOpaquePixels) {
  Image image = decodeImage(assetBytes(Asset::StatusOffline));
  ASSERT_FALSE(image.empty());
  EXPECT_EQ(alphaAt(image, 0, 0, 12), 0);    // beside the stand
  EXPECT_EQ(alphaAt(image, 0, 5, 5), 255);   // the screen
}

TEST(EmbeddedAssets, OnlineIconIsAFiveFrameLoopWithItsDelays) {
  Image image = decodeImage(assetBytes(Asset::StatusOnline));
  ASSERT_EQ(image.frames.size(), 5u);
  EXPECT_EQ(image.plays, 0);
  const int delays[] = {400, 120, 120, 120, 240};
  for (int f = 0; f < 5; ++f) {
    EXPECT_EQ(image.frames[f].delayMs, delays[f]) << f;
    EXPECT_EQ(alphaAt(image, f, 0, 12), 0) << f;
    EXPECT_EQ(alphaAt(image, f, 5, 5), 255) << f;
  }
  EXPECT_NE(image.frames[0].bgra, image.frames[2].bgra);  // it blinks
}

TEST(EmbeddedAssets, IconFileHoldsOne128PixelImageOf32Bits) {
  std::string ico = readFile(assetsFolder() / "launcher.ico");
  ASSERT_GE(ico.size(), 22u);
  auto u8 = [&](size_t i) { return static_cast<uint8_t>(ico[i]); };
  EXPECT_EQ(u8(2) | (u8(3) << 8), 1);  // type: icon
  EXPECT_EQ(u8(4) | (u8(5) << 8), 1);  // one image
  EXPECT_EQ(u8(6), 128);
  EXPECT_EQ(u8(7), 128);
  EXPECT_EQ(u8(12) | (u8(13) << 8), 32);
}

TEST(EmbeddedAssets, EveryPictureButtonHasItsStateImages) {
  using namespace names;
  for (const char* link : {kButtonHome, kButtonForum, kButtonRegister, kButtonQQGroup, kButtonRecharge}) {
    ButtonImages b = buttonImages(link);
    ASSERT_TRUE(b.normal && b.hover && b.pressed);
    EXPECT_EQ(*b.pressed, *b.normal);
    EXPECT_NE(*b.hover, *b.normal);
    EXPECT_FALSE(b.disabled);
  }
  for (const char* help : {kButtonHelp1, kButtonHelp2, kButtonHelp3, kButtonHelp4}) {
    ButtonImages b = buttonImages(help);
    ASSERT_TRUE(b.normal && b.pressed);
    EXPECT_NE(*b.pressed, *b.normal);
    EXPECT_FALSE(b.hover || b.disabled);
  }
  for (const char* big : {kButtonStartGame, kButtonStartUpdate}) {
    ButtonImages b = buttonImages(big);
    EXPECT_TRUE(b.normal && b.hover && b.pressed && b.disabled);
  }
  EXPECT_TRUE(buttonImages(kButtonClose).normal && !buttonImages(kButtonClose).hover);
  EXPECT_FALSE(buttonImages(kLabelPing).normal);
}

TEST(ImageDecoding, DamagedOrForeignBytesGiveAnEmptyImage) {
  for (Asset id : {Asset::Background, Asset::StatusOffline, Asset::StatusOnline, Asset::StartGameNormal}) {
    std::string bytes(assetBytes(id));
    SCOPED_TRACE(assetFileName(id));
    EXPECT_TRUE(decodeImage(bytes.substr(0, bytes.size() / 2)).empty());
    EXPECT_TRUE(decodeImage(bytes.substr(0, 12)).empty());
    std::string scrambled = bytes;
    for (size_t i = 20; i < scrambled.size(); i += 7) scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    EXPECT_TRUE(decodeImage(scrambled).empty());
  }
  EXPECT_TRUE(decodeImage("").empty());
  EXPECT_TRUE(decodeImage("BM not an image we draw").empty());
}

TEST(ImageDecoding, HugeDeclaredSizeIsRefusedBeforeAllocating) {
  std::string gif = "GIF89a";
  gif += std::string("\xFF\xFF\xFF\xFF\x00\x00\x00", 7);  // 65535 x 65535 screen, no colour table
  gif += ";";
  EXPECT_TRUE(decodeImage(gif).empty());
}

}  // namespace
}  // namespace ui
