#include <gtest/gtest.h>

#include "ui/image_codecs.h"

namespace ui::codec {
namespace {

constexpr uint8_t kRed[4] = {0, 0, 255, 255};
constexpr uint8_t kBlue[4] = {255, 0, 0, 255};

GifFrame solid(int left, int top, int width, int height, const uint8_t* bgra, int disposal) {
  GifFrame f{left, top, width, height, {}, 100, disposal};
  for (int i = 0; i < width * height; ++i) f.bgra.insert(f.bgra.end(), bgra, bgra + 4);
  return f;
}

const uint8_t* pixel(const Image& image, int frame, int x, int y) {
  return &image.frames[frame].bgra[(static_cast<size_t>(y) * image.width + x) * 4];
}

TEST(GifCompose, FramesDrawOverTheEarlierPictureByDisposal) {
  GifData gif{4, 4, 0, {}};
  gif.frames.push_back(solid(0, 0, 4, 4, kRed, 1));   // keep
  gif.frames.push_back(solid(1, 1, 2, 2, kBlue, 2));  // then clear its rectangle
  gif.frames.push_back(solid(3, 3, 1, 1, kBlue, 3));  // then restore what was before it
  gif.frames.push_back(solid(0, 0, 1, 1, kBlue, 1));
  Image image = composeGif(gif);
  ASSERT_EQ(image.frames.size(), 4u);
  EXPECT_EQ(image.plays, 0);
  EXPECT_EQ(pixel(image, 1, 0, 0)[2], 255);  // red kept beneath
  EXPECT_EQ(pixel(image, 1, 1, 1)[0], 255);  // blue on top
  EXPECT_EQ(pixel(image, 2, 1, 1)[3], 0);    // cleared by the previous frame's disposal
  EXPECT_EQ(pixel(image, 2, 3, 3)[0], 255);
  EXPECT_EQ(pixel(image, 3, 3, 3)[2], 255);  // restored to red
  EXPECT_EQ(pixel(image, 3, 1, 1)[3], 0);
}

TEST(GifCompose, TransparentPixelsAndOffCanvasPartsLeaveTheCanvasAlone) {
  GifData gif{2, 2, 1, {}};
  gif.frames.push_back(solid(0, 0, 2, 2, kRed, 1));
  GifFrame hole = solid(-1, 1, 3, 3, kBlue, 1);  // sticks out on the left and bottom
  hole.bgra[(0 * 3 + 2) * 4 + 3] = 0;            // lands on canvas pixel (1,1), which stays red
  gif.frames.push_back(hole);
  Image image = composeGif(gif);
  ASSERT_EQ(image.frames.size(), 2u);
  EXPECT_EQ(pixel(image, 1, 0, 1)[0], 255);
  EXPECT_EQ(pixel(image, 1, 1, 1)[2], 255);
  EXPECT_EQ(pixel(image, 1, 1, 0)[2], 255);
}

TEST(GifCompose, FrameWithWrongPixelCountIsSkipped) {
  GifData gif{2, 2, 0, {}};
  GifFrame broken = solid(0, 0, 2, 2, kRed, 1);
  broken.bgra.resize(3);
  gif.frames.push_back(broken);
  gif.frames.push_back(solid(0, 0, 2, 2, kBlue, 1));
  Image image = composeGif(gif);
  ASSERT_EQ(image.frames.size(), 1u);
  EXPECT_EQ(image.plays, 1);  // a single frame does not animate
}

}  // namespace
}  // namespace ui::codec
