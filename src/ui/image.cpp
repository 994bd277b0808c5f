#include "ui/image.h"

#include <algorithm>
#include <cstring>

#include "ui/image_codecs.h"

namespace ui {

namespace {

bool startsWith(std::string_view bytes, std::string_view signature) {
  return bytes.size() >= signature.size() && bytes.substr(0, signature.size()) == signature;
}

bool plausible(const Image& image) {
  if (image.width <= 0 || image.height <= 0 || image.frames.empty()) return false;
  size_t size = static_cast<size_t>(image.width) * image.height * 4;
  for (const auto& f : image.frames)
    if (f.bgra.size() != size) return false;
  return true;
}

}  // namespace

ImageFormat sniffImageFormat(std::string_view bytes) {
  if (startsWith(bytes, "\x89PNG\r\n\x1a\n")) return ImageFormat::Png;
  if (startsWith(bytes, "\xFF\xD8\xFF")) return ImageFormat::Jpeg;
  if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return ImageFormat::Gif;
  return ImageFormat::Unknown;
}

Image decodeImage(std::string_view bytes) {
  Image image;
  bool ok = false;
  switch (sniffImageFormat(bytes)) {
    case ImageFormat::Png: ok = codec::decodePng(bytes, image); break;
    case ImageFormat::Jpeg: ok = codec::decodeJpeg(bytes, image); break;
    case ImageFormat::Gif: {
      codec::GifData gif;
      if (codec::readGif(bytes, gif)) {
        image = codec::composeGif(gif);
        ok = true;
      }
      break;
    }
    case ImageFormat::Unknown: break;
  }
  if (!ok || !plausible(image)) return {};
  return image;
}

namespace codec {

namespace {

void drawFrame(std::vector<uint8_t>& canvas, int width, int height, const GifFrame& f) {
  for (int y = 0; y < f.height; ++y) {
    int cy = f.top + y;
    if (cy < 0 || cy >= height) continue;
    for (int x = 0; x < f.width; ++x) {
      int cx = f.left + x;
      if (cx < 0 || cx >= width) continue;
      const uint8_t* src = &f.bgra[(static_cast<size_t>(y) * f.width + x) * 4];
      if (src[3] == 0) continue;  // transparent pixels let the earlier picture show
      std::memcpy(&canvas[(static_cast<size_t>(cy) * width + cx) * 4], src, 4);
    }
  }
}

void clearRect(std::vector<uint8_t>& canvas, int width, int height, const GifFrame& f) {
  int x0 = std::max(f.left, 0), x1 = std::min(f.left + f.width, width);
  int y0 = std::max(f.top, 0), y1 = std::min(f.top + f.height, height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) std::memset(&canvas[(static_cast<size_t>(y) * width + x) * 4], 0, 4);
}

}  // namespace

Image composeGif(const GifData& gif) {
  Image image;
  if (gif.width <= 0 || gif.height <= 0 || gif.width > kMaxImageSide || gif.height > kMaxImageSide) return image;
  image.width = gif.width;
  image.height = gif.height;
  image.plays = gif.plays;
  std::vector<uint8_t> canvas(static_cast<size_t>(gif.width) * gif.height * 4, 0);
  for (const auto& f : gif.frames) {
    if (f.width <= 0 || f.height <= 0 || f.bgra.size() != static_cast<size_t>(f.width) * f.height * 4) continue;
    std::vector<uint8_t> before;
    if (f.disposal == 3) before = canvas;
    drawFrame(canvas, gif.width, gif.height, f);
    image.frames.push_back({canvas, f.delayMs});
    if (f.disposal == 2) clearRect(canvas, gif.width, gif.height, f);
    if (f.disposal == 3) canvas = std::move(before);
  }
  if (image.frames.size() <= 1) image.plays = 1;
  return image;
}

}  // namespace codec

}  // namespace ui
