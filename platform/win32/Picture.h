#pragma once
// Pictures with alpha: PNG resources decoded by the system's own image
// library (WIC), scaled to their control, kept as premultiplied bitmaps.

#include <windows.h>

#include <cstdint>

#include "platform/win32/Handles.h"

namespace vek::win32 {

struct AlphaBitmap {
  OwnedBitmap bitmap;              // 32-bit premultiplied top-down DIB section
  std::uint32_t* pixels = nullptr;  // its bits; they belong to `bitmap`
  int width = 0;
  int height = 0;

  explicit operator bool() const { return static_cast<bool>(bitmap); }
};

// Decodes the PNG in the executable's RCDATA resource `name` and scales it
// to width x height. COM must be initialised on the thread. An empty bitmap
// when the resource is missing or cannot be decoded.
AlphaBitmap LoadPicture(const char* name, int width, int height);

// `image` in shades of grey, halfway faded into `face`, keeping its alpha:
// the look of a disabled button's glyph.
AlphaBitmap Faded(const AlphaBitmap& image, COLORREF face);

// Blends `image` onto `dc` with its top left corner at x, y.
void DrawAlphaBitmap(HDC dc, const AlphaBitmap& image, int x, int y);

}  // namespace vek::win32
