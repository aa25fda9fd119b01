// PNG writing on Windows through the system's imaging component (WIC), which has no libpng.
#include "platform/graphics/PngCodec.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

// Releases a COM interface when it goes.
template <class T> class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() {
    if (FPtr)
      FPtr->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  T* operator->() const { return FPtr; }
  T* Get() const { return FPtr; }
  T** Out() { return &FPtr; }

private:
  T* FPtr = nullptr;
};

// COM for the calling thread while the encoder works; a thread that has COM already keeps its own.
class TComScope {
public:
  TComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TComScope() {
    if (SUCCEEDED(FResult))
      CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  HRESULT FResult;
};

void Check(HRESULT Result, const char* What) {
  if (FAILED(Result)) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(Result));
    throw std::runtime_error(std::string("PNG: the imaging component failed to ") + What + " (0x" + code + ")");
  }
}

std::vector<std::uint8_t> Encode(const TPixelBuffer& Pixels, bool Alpha) {
  if (Pixels.Empty())
    throw std::invalid_argument("PNG: cannot write an empty image");
  TComScope com;
  TComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(factory.Out())),
        "start");
  TComPtr<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), "make a memory stream");
  TComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()), "make a PNG encoder");
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "start the PNG encoder");
  TComPtr<IWICBitmapFrameEncode> frame;
  Check(encoder->CreateNewFrame(frame.Out(), nullptr), "make a frame");
  Check(frame->Initialize(nullptr), "start the frame");
  const UINT width = static_cast<UINT>(Pixels.Width()), height = static_cast<UINT>(Pixels.Height());
  Check(frame->SetSize(width, height), "size the frame");
  // Our pixels are 0xAARRGGBB words, which is BGRA in memory; without alpha they go as BGR bytes.
  const WICPixelFormatGUID wanted = Alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID format = wanted;
  Check(frame->SetPixelFormat(&format), "set the pixel format");
  if (!IsEqualGUID(format, wanted))
    throw std::runtime_error("PNG: the imaging component does not take 8-bit RGB pixels");
  const UINT channels = Alpha ? 4 : 3;
  const UINT stride = (width * channels + 3) & ~3u;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height);
  for (UINT y = 0; y < height; ++y) {
    const TPixel* src = Pixels.ScanLine(static_cast<int>(y));
    BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride;
    for (UINT x = 0; x < width; ++x) {
      BYTE* px = out + static_cast<std::size_t>(x) * channels;
      px[0] = static_cast<BYTE>(src[x]);
      px[1] = static_cast<BYTE>(src[x] >> 8);
      px[2] = static_cast<BYTE>(src[x] >> 16);
      if (Alpha)
        px[3] = static_cast<BYTE>(src[x] >> 24);
    }
  }
  Check(frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data()), "write the pixels");
  Check(frame->Commit(), "finish the frame");
  Check(encoder->Commit(), "finish the file");
  HGLOBAL memory = nullptr;
  Check(GetHGlobalFromStream(stream.Get(), &memory), "hand over the file");
  STATSTG stat{};
  Check(stream->Stat(&stat, STATFLAG_NONAME), "measure the file");
  const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
  if (!data)
    throw std::runtime_error("PNG: the encoded file cannot be read");
  std::vector<std::uint8_t> out(data, data + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
  return out;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const TPixelBuffer& Pixels) { return Encode(Pixels, false); }

std::vector<std::uint8_t> EncodePngWithAlpha(const TPixelBuffer& Pixels) { return Encode(Pixels, true); }
