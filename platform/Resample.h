#pragma once
// Scaling of premultiplied 32-bit pixels (B, G, R, A bytes; rows top-down,
// no padding) by area averaging: each target pixel is the mean of the source
// area it covers, so that a large logo shrinks without jagged edges.
// Plain C++, shared by the Windows picture code and its unit test.

#include <cstdint>

namespace vek {

// Fills `target` (targetWidth * targetHeight pixels) from `source`. Both
// sizes must be at least 1 by 1.
void ScaleArea(const std::uint8_t* source, int sourceWidth, int sourceHeight,
               std::uint8_t* target, int targetWidth, int targetHeight);

}  // namespace vek
