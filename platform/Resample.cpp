#include "platform/Resample.h"

namespace vek {

namespace {

// How much of source cell `cell` lies within [start, end), in cells.
double Overlap(int cell, double start, double end) {
  double low = cell > start ? cell : start;
  double high = cell + 1 < end ? cell + 1 : end;
  return high > low ? high - low : 0;
}

}  // namespace

void ScaleArea(const std::uint8_t* source, int sourceWidth, int sourceHeight,
               std::uint8_t* target, int targetWidth, int targetHeight) {
  const double stepX = static_cast<double>(sourceWidth) / targetWidth;
  const double stepY = static_cast<double>(sourceHeight) / targetHeight;
  for (int ty = 0; ty < targetHeight; ++ty) {
    const double top = ty * stepY;
    const double bottom = top + stepY;
    for (int tx = 0; tx < targetWidth; ++tx) {
      const double left = tx * stepX;
      const double right = left + stepX;
      double sum[4] = {0, 0, 0, 0};
      for (int sy = static_cast<int>(top); sy < sourceHeight && sy < bottom; ++sy) {
        const double weightY = Overlap(sy, top, bottom);
        for (int sx = static_cast<int>(left); sx < sourceWidth && sx < right; ++sx) {
          const double weight = weightY * Overlap(sx, left, right);
          const std::uint8_t* pixel = source + (static_cast<long>(sy) * sourceWidth + sx) * 4;
          for (int channel = 0; channel < 4; ++channel) sum[channel] += weight * pixel[channel];
        }
      }
      std::uint8_t* out = target + (static_cast<long>(ty) * targetWidth + tx) * 4;
      for (int channel = 0; channel < 4; ++channel) {
        out[channel] = static_cast<std::uint8_t>(sum[channel] / (stepX * stepY) + 0.5);
      }
    }
  }
}

}  // namespace vek
