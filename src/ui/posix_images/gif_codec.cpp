#include <cstring>
#include <memory>

#include <gif_lib.h>

#include "ui/image_codecs.h"

namespace ui::codec {

namespace {

struct MemorySource {
  std::string_view bytes;
  size_t offset = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* source = static_cast<MemorySource*>(gif->UserData);
  size_t left = source->bytes.size() - source->offset;
  size_t n = wanted < 0 ? 0 : std::min(left, static_cast<size_t>(wanted));
  std::memcpy(buffer, source->bytes.data() + source->offset, n);
  source->offset += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// The NETSCAPE2.0 application extension and the sub-block after it: 1, count low, count high.
int playsOf(const SavedImage& first) {
  for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
    const ExtensionBlock& app = first.ExtensionBlocks[i];
    const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
    if (app.Function != APPLICATION_EXT_FUNC_CODE || app.ByteCount != 11) continue;
    if (std::memcmp(app.Bytes, "NETSCAPE2.0", 11) != 0) continue;
    if (data.ByteCount >= 3 && data.Bytes[0] == 1) return data.Bytes[1] | (data.Bytes[2] << 8);
  }
  return 1;
}

bool convertFrame(const GifFileType& gif, int index, GifFrame& frame) {
  const SavedImage& saved = gif.SavedImages[index];
  const GifImageDesc& desc = saved.ImageDesc;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif.SColorMap;
  if (!map || !saved.RasterBits || desc.Width <= 0 || desc.Height <= 0) return false;
  GraphicsControlBlock control{};
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  DGifSavedExtensionToGCB(const_cast<GifFileType*>(&gif), index, &control);
  frame.left = desc.Left;
  frame.top = desc.Top;
  frame.width = desc.Width;
  frame.height = desc.Height;
  frame.delayMs = control.DelayTime * 10;
  frame.disposal = control.DisposalMode;
  size_t count = static_cast<size_t>(desc.Width) * desc.Height;
  frame.bgra.assign(count * 4, 0);
  for (size_t p = 0; p < count; ++p) {
    int c = saved.RasterBits[p];
    if (c == control.TransparentColor || c >= map->ColorCount) continue;
    const GifColorType& rgb = map->Colors[c];
    uint8_t* dst = &frame.bgra[p * 4];
    dst[0] = rgb.Blue;
    dst[1] = rgb.Green;
    dst[2] = rgb.Red;
    dst[3] = 255;
  }
  return true;
}

}  // namespace

bool readGif(std::string_view bytes, GifData& out) {
  MemorySource source{bytes};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readFromMemory, &error));
  if (!gif) return false;
  if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->SWidth > kMaxImageSide || gif->SHeight > kMaxImageSide)
    return false;
  if (DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1) return false;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.plays = playsOf(gif->SavedImages[0]);
  out.frames.resize(gif->ImageCount);
  for (int i = 0; i < gif->ImageCount; ++i)
    if (!convertFrame(*gif, i, out.frames[i])) return false;
  return true;
}

}  // namespace ui::codec
