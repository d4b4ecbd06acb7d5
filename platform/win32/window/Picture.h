#pragma once
// Pictures with alpha: resources that the build made in the form in which
// they are painted (premultiplied pixels at their control's size, see
// platform/PackedPicture.h), unpacked into bitmaps. Nothing is decoded or
// scaled at run time.

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

// The picture in the executable's RCDATA resource `name`, at the size that
// it was made for. An empty bitmap when the resource is missing or damaged.
AlphaBitmap LoadPicture(const char* name);

// `image` in shades of grey, halfway faded into `face`, keeping its alpha:
// the look of a disabled button's glyph.
AlphaBitmap Faded(const AlphaBitmap& image, COLORREF face);

// Blends `image` onto `dc` with its top left corner at x, y.
void DrawAlphaBitmap(HDC dc, const AlphaBitmap& image, int x, int y);

}  // namespace vek::win32
