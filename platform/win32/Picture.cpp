#include "platform/win32/Picture.h"

#include <wincodec.h>

#include "platform/Resample.h"
#include "platform/win32/Buffer.h"

namespace vek::win32 {

namespace {

AlphaBitmap NewBitmap(int width, int height) {
  AlphaBitmap image;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  image.bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (image.bitmap) {
    image.pixels = static_cast<std::uint32_t*>(bits);
    image.width = width;
    image.height = height;
  }
  return image;
}

// Decodes the PNG into *pixels, premultiplied BGRA rows without gaps. False
// when it cannot be decoded; *pixels is then empty.
bool Decode(const void* png, DWORD size, Buffer<std::uint8_t>* pixels, UINT* width, UINT* height) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Receive()))) ||
      FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(png)), size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                              WICDecodeMetadataCacheOnDemand, decoder.Receive())) ||
      FAILED(decoder->GetFrame(0, frame.Receive())) ||
      FAILED(factory->CreateFormatConverter(converter.Receive())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(width, height)) || *width == 0 || *height == 0) {
    return false;
  }
  const UINT stride = *width * 4;
  *pixels = Buffer<std::uint8_t>(static_cast<std::size_t>(stride) * *height);
  if (!*pixels || FAILED(converter->CopyPixels(nullptr, stride, stride * *height, pixels->Data()))) {
    *pixels = Buffer<std::uint8_t>();
    return false;
  }
  return true;
}

}  // namespace

AlphaBitmap LoadPicture(const char* name, int width, int height) {
  // Resource handles are not real memory handles: nothing here is freed.
  HRSRC resource = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
  const void* png = loaded ? LockResource(loaded) : nullptr;
  if (!png) return AlphaBitmap();

  Buffer<std::uint8_t> decoded;
  UINT decodedWidth = 0;
  UINT decodedHeight = 0;
  if (!Decode(png, SizeofResource(nullptr, resource), &decoded, &decodedWidth, &decodedHeight)) {
    return AlphaBitmap();
  }
  AlphaBitmap image = NewBitmap(width, height);
  if (image) {
    ScaleArea(decoded.Data(), static_cast<int>(decodedWidth), static_cast<int>(decodedHeight),
              reinterpret_cast<std::uint8_t*>(image.pixels), width, height);
  }
  return image;
}

AlphaBitmap Faded(const AlphaBitmap& image, COLORREF face) {
  AlphaBitmap copy = NewBitmap(image.width, image.height);
  if (!copy) return copy;
  const std::uint32_t faceGrey = (GetRValue(face) + GetGValue(face) + GetBValue(face)) / 3;
  for (int i = 0; i < image.width * image.height; ++i) {
    const std::uint32_t pixel = image.pixels[i];
    const std::uint32_t alpha = pixel >> 24;
    // Premultiplied channels: the face colour counts with the pixel's alpha too.
    const std::uint32_t luminance =
        ((pixel >> 16 & 0xFF) * 77 + (pixel >> 8 & 0xFF) * 150 + (pixel & 0xFF) * 29) >> 8;
    const std::uint32_t grey = (luminance + faceGrey * alpha / 255) / 2;
    copy.pixels[i] = alpha << 24 | grey << 16 | grey << 8 | grey;
  }
  return copy;
}

void DrawAlphaBitmap(HDC dc, const AlphaBitmap& image, int x, int y) {
  if (!image) return;
  OwnedMemoryDc source(CreateCompatibleDC(dc));
  if (!source) return;
  SelectedObject selected(source.Get(), image.bitmap.Get());
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, image.width, image.height, source.Get(), 0, 0, image.width,
                image.height, blend);
}

}  // namespace vek::win32
