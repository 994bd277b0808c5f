#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstring>

#include "ui/image_codecs.h"
#include "ui/win32/com_ptr.h"

namespace ui::codec {

namespace {

using win32::ComPtr;

// WIC needs COM on the calling thread; the window thread has it (OLE for the web view), a
// worker may not, so a call made without it brings its own apartment for the duration.
class ComScope {
 public:
  ComScope() : owned_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (owned_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool owned_;
};

struct Decoder {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
};

bool open(std::string_view bytes, Decoder& d) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return false;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              d.factory.putVoid())))
    return false;
  if (FAILED(d.factory->CreateStream(d.stream.put()))) return false;
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  if (FAILED(d.stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size())))) return false;
  return SUCCEEDED(
      d.factory->CreateDecoderFromStream(d.stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, d.decoder.put()));
}

// One frame as straight-alpha BGRA of its own size.
bool copyFrame(IWICBitmapSource* frame, int& width, int& height, std::vector<uint8_t>& bgra) {
  UINT w = 0, h = 0;
  if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) return false;
  ComPtr<IWICBitmapSource> converted;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, converted.put()))) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  bgra.resize(static_cast<size_t>(w) * h * 4);
  return SUCCEEDED(converted->CopyPixels(nullptr, w * 4, static_cast<UINT>(bgra.size()), bgra.data()));
}

bool decodeStill(std::string_view bytes, Image& out) {
  ComScope com;
  Decoder d;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (!open(bytes, d) || FAILED(d.decoder->GetFrame(0, frame.put()))) return false;
  out.frames.assign(1, ImageFrame{});
  return copyFrame(frame.get(), out.width, out.height, out.frames[0].bgra);
}

int readNumber(IWICMetadataQueryReader* reader, const wchar_t* name, int fallback) {
  PROPVARIANT v;
  PropVariantInit(&v);
  int result = fallback;
  if (SUCCEEDED(reader->GetMetadataByName(name, &v))) {
    if (v.vt == VT_UI1) result = v.bVal;
    else if (v.vt == VT_UI2) result = v.uiVal;
    else if (v.vt == VT_UI4) result = static_cast<int>(v.ulVal);
    else if (v.vt == VT_BOOL) result = v.boolVal ? 1 : 0;
  }
  PropVariantClear(&v);
  return result;
}

// NETSCAPE2.0 application extension: its data is the sub-block 3, 1, count low, count high.
int readPlays(IWICMetadataQueryReader* reader) {
  PROPVARIANT app, data;
  PropVariantInit(&app);
  PropVariantInit(&data);
  int plays = 1;
  if (SUCCEEDED(reader->GetMetadataByName(L"/appext/application", &app)) && app.vt == (VT_UI1 | VT_VECTOR) &&
      app.caub.cElems == 11 && std::memcmp(app.caub.pElems, "NETSCAPE2.0", 11) == 0 &&
      SUCCEEDED(reader->GetMetadataByName(L"/appext/data", &data)) && data.vt == (VT_UI1 | VT_VECTOR) &&
      data.caub.cElems >= 4 && data.caub.pElems[1] == 1)
    plays = data.caub.pElems[2] | (data.caub.pElems[3] << 8);
  PropVariantClear(&app);
  PropVariantClear(&data);
  return plays;
}

}  // namespace

bool decodePng(std::string_view bytes, Image& out) { return decodeStill(bytes, out); }
bool decodeJpeg(std::string_view bytes, Image& out) { return decodeStill(bytes, out); }

bool readGif(std::string_view bytes, GifData& out) {
  ComScope com;
  Decoder d;
  if (!open(bytes, d)) return false;
  ComPtr<IWICMetadataQueryReader> global;
  if (FAILED(d.decoder->GetMetadataQueryReader(global.put()))) return false;
  out.width = readNumber(global.get(), L"/logscrdesc/Width", 0);
  out.height = readNumber(global.get(), L"/logscrdesc/Height", 0);
  out.plays = readPlays(global.get());
  if (out.width <= 0 || out.height <= 0 || out.width > kMaxImageSide || out.height > kMaxImageSide) return false;
  UINT count = 0;
  if (FAILED(d.decoder->GetFrameCount(&count)) || count == 0) return false;
  out.frames.resize(count);
  for (UINT i = 0; i < count; ++i) {
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICMetadataQueryReader> meta;
    if (FAILED(d.decoder->GetFrame(i, frame.put())) || FAILED(frame->GetMetadataQueryReader(meta.put()))) return false;
    GifFrame& f = out.frames[i];
    if (!copyFrame(frame.get(), f.width, f.height, f.bgra)) return false;
    f.left = readNumber(meta.get(), L"/imgdesc/Left", 0);
    f.top = readNumber(meta.get(), L"/imgdesc/Top", 0);
    f.delayMs = readNumber(meta.get(), L"/grctlext/Delay", 0) * 10;
    f.disposal = readNumber(meta.get(), L"/grctlext/Disposal", 0);
  }
  return true;
}

}  // namespace ui::codec
