#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/image.h"

// The per-platform half of decodeImage: libpng, libjpeg and giflib on Linux, the Windows
// Imaging Component on Windows. Each returns false on any damage and then leaves `out`
// in an unspecified state that the caller discards.
namespace ui::codec {

bool decodePng(std::string_view bytes, Image& out);
bool decodeJpeg(std::string_view bytes, Image& out);

// A GIF as stored: each frame covers only its own rectangle of the logical screen.
struct GifFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;  // width * height, transparent pixels have alpha 0
  int delayMs = 0;
  int disposal = 0;  // 0/1 keep, 2 clear to transparent, 3 restore the previous picture
};

struct GifData {
  int width = 0;
  int height = 0;
  int plays = 1;  // from the NETSCAPE2.0 loop extension: 0 forever; 1 when absent
  std::vector<GifFrame> frames;
};

bool readGif(std::string_view bytes, GifData& out);

// Portable: draws the stored frames over each other into full-size frames.
Image composeGif(const GifData& gif);

}  // namespace ui::codec
