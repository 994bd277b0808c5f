#pragma once
#include <windows.h>

#include <utility>
#include <vector>

#include "ui/image.h"

namespace ui::win32 {

// Owns one GDI object (bitmap, font, brush) and deletes it.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle h) : h_(h) {}
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { reset(); }
  Handle get() const { return h_; }
  void reset() {
    if (h_) DeleteObject(h_);
    h_ = nullptr;
  }

 private:
  Handle h_ = nullptr;
};

// A decoded picture ready to draw: one premultiplied 32-bit DIB per frame.
struct Picture32 {
  int width = 0;
  int height = 0;
  bool alpha = false;  // some pixel is not opaque: draw with AlphaBlend
  std::vector<GdiObject<HBITMAP>> frames;
  std::vector<int> delaysMs;
  int plays = 1;  // 0 = forever
  bool empty() const { return frames.empty(); }
};

Picture32 makePicture(const Image& image);

// Draws frame `frame` of the picture scaled into dst (which may equal the picture's size).
void drawPicture(HDC dc, const Picture32& picture, size_t frame, RECT dst);

}  // namespace ui::win32
