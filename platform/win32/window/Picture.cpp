#include "platform/win32/window/Picture.h"

#include "platform/PackedPicture.h"
#include "platform/win32/process/OwnResource.h"

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

}  // namespace

AlphaBitmap LoadPicture(const char* name) {
  const ResourceBytes stored = OwnResource(name, RT_RCDATA);
  int width = 0;
  int height = 0;
  // None (null, no bytes) states no size.
  if (!PackedPictureSize(stored.data, stored.size, &width, &height)) return AlphaBitmap();
  AlphaBitmap image = NewBitmap(width, height);
  if (image && !UnpackPicture(stored.data, stored.size, image.pixels)) return AlphaBitmap();
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
