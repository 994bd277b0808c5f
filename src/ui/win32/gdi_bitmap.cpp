#include "ui/win32/gdi_bitmap.h"

#include <cstring>

namespace ui::win32 {

namespace {

HBITMAP makeDib(int width, int height, const std::vector<uint8_t>& straight, bool& anyAlpha) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  auto* dst = static_cast<uint8_t*>(bits);
  // AlphaBlend wants premultiplied colour.
  for (size_t p = 0; p + 3 < straight.size(); p += 4) {
    unsigned a = straight[p + 3];
    if (a != 255) anyAlpha = true;
    dst[p + 0] = static_cast<uint8_t>(straight[p + 0] * a / 255);
    dst[p + 1] = static_cast<uint8_t>(straight[p + 1] * a / 255);
    dst[p + 2] = static_cast<uint8_t>(straight[p + 2] * a / 255);
    dst[p + 3] = static_cast<uint8_t>(a);
  }
  GdiFlush();
  return bitmap;
}

}  // namespace

Picture32 makePicture(const Image& image) {
  Picture32 picture;
  if (image.empty()) return picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.plays = image.plays;
  for (const auto& frame : image.frames) {
    HBITMAP bitmap = makeDib(image.width, image.height, frame.bgra, picture.alpha);
    if (!bitmap) return {};
    picture.frames.emplace_back(bitmap);
    picture.delaysMs.push_back(frame.delayMs);
  }
  return picture;
}

void drawPicture(HDC dc, const Picture32& picture, size_t frame, RECT dst) {
  if (frame >= picture.frames.size()) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, picture.frames[frame].get());
  int w = dst.right - dst.left, h = dst.bottom - dst.top;
  if (picture.alpha) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, dst.left, dst.top, w, h, source, 0, 0, picture.width, picture.height, blend);
  } else if (w == picture.width && h == picture.height) {
    BitBlt(dc, dst.left, dst.top, w, h, source, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, dst.left, dst.top, w, h, source, 0, 0, picture.width, picture.height, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace ui::win32
