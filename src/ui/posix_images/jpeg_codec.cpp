#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "ui/image_codecs.h"

namespace ui::codec {

namespace {

// libjpeg reports fatal errors through a callback that must not return; we jump back to
// decodeJpeg. Every object that outlives the jump lives in the caller's Image, never in
// a local of the function that called setjmp.
struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf target;
};

void jumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->target, 1); }
void stayQuiet(j_common_ptr) {}

}  // namespace

bool decodeJpeg(std::string_view bytes, Image& out) {
  jpeg_decompress_struct info{};
  ErrorJump error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jumpOnError;
  error.manager.output_message = stayQuiet;
  if (setjmp(error.target)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width > kMaxImageSide ||
      info.image_height > kMaxImageSide) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.frames.assign(1, ImageFrame{});
  out.frames[0].bgra.resize(static_cast<size_t>(out.width) * out.height * 4);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &out.frames[0].bgra[static_cast<size_t>(info.output_scanline) * out.width * 4];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  // A cut-short or damaged stream only warns and fills the rest with grey; refuse it.
  bool clean = error.manager.num_warnings == 0;
  jpeg_destroy_decompress(&info);
  return clean;
}

}  // namespace ui::codec
