#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace ui {

enum class ImageFormat { Unknown, Png, Jpeg, Gif };

// The format named by the file's signature bytes.
ImageFormat sniffImageFormat(std::string_view bytes);

struct ImageFrame {
  std::vector<uint8_t> bgra;  // width * height pixels, rows top-down, straight (not premultiplied) alpha
  int delayMs = 0;            // how long this frame stays up; 0 for still images
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<ImageFrame> frames;  // one for PNG and JPEG, every composed frame for GIF
  int plays = 1;                   // how often an animation runs through; 0 = forever
  bool empty() const { return frames.empty(); }
};

// Larger images are refused before their pixels are allocated.
inline constexpr int kMaxImageSide = 8192;

// Decodes PNG, JPEG or GIF bytes. Unknown formats, damaged or cut-short data and
// oversized images give an empty image; nothing is thrown.
Image decodeImage(std::string_view bytes);

}  // namespace ui
