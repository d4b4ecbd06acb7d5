#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Resample.h"

namespace vek::test {

using Pixels = std::vector<std::uint8_t>;

Pixels Solid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
  Pixels pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {b, g, r, a});
  return pixels;
}

TEST(ScaleArea, ASolidColourStaysExactlyThatColour) {
  Pixels source = Solid(322, 322, 10, 20, 30, 255);
  Pixels target(52 * 52 * 4);
  ScaleArea(source.data(), 322, 322, target.data(), 52, 52);
  EXPECT_EQ(Solid(52, 52, 10, 20, 30, 255), target);
}

TEST(ScaleArea, HalvingAveragesEachTwoByTwoBlock) {
  // Left half opaque white, right half transparent, 4 x 2 -> 2 x 1.
  Pixels source;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      std::uint8_t v = x < 2 ? 255 : 0;
      source.insert(source.end(), {v, v, v, v});
    }
  }
  Pixels target(2 * 4);
  ScaleArea(source.data(), 4, 2, target.data(), 2, 1);
  EXPECT_EQ((Pixels{255, 255, 255, 255, 0, 0, 0, 0}), target);
}

TEST(ScaleArea, AnEdgeBetweenCellsBlendsByCoverage) {
  // 3 source pixels onto 2: the middle pixel is split half and half.
  Pixels source = {0, 0, 0, 0, 90, 90, 90, 90, 180, 180, 180, 180};
  Pixels target(2 * 4);
  ScaleArea(source.data(), 3, 1, target.data(), 2, 1);
  EXPECT_EQ(30, target[0]);   // (0 * 1 + 90 * 0.5) / 1.5
  EXPECT_EQ(150, target[4]);  // (90 * 0.5 + 180 * 1) / 1.5
}

}  // namespace vek::test
