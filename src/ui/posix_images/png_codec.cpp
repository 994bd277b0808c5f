#include <png.h>

#include "ui/image_codecs.h"

namespace ui::codec {

bool decodePng(std::string_view bytes, Image& out) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return false;
  if (png.width == 0 || png.height == 0 || png.width > kMaxImageSide || png.height > kMaxImageSide) {
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_BGRA;
  out.width = static_cast<int>(png.width);
  out.height = static_cast<int>(png.height);
  out.frames.assign(1, ImageFrame{});
  out.frames[0].bgra.resize(PNG_IMAGE_SIZE(png));
  // finish_read frees the reader's state on success and on failure alike.
  return png_image_finish_read(&png, nullptr, out.frames[0].bgra.data(), 0, nullptr) != 0;
}

}  // namespace ui::codec
