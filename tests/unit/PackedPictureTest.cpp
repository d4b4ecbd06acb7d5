#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/PackedPicture.h"

namespace vek::test {

using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;

// Pixels whose bytes are B, G, R, A = n, n, n, n.
constexpr std::uint32_t P(std::uint8_t n) { return n * 0x01010101u; }

struct Case {
  const char* what;
  Bytes data;
  bool unpacks;
  Pixels pixels;  // when it unpacks
};

TEST(UnpackPicture, RunsAndLiteralPixelsMakeExactlyThePictureOrNothingIsTrusted) {
  const Case cases[] = {
      {"a run of four", {2, 0, 2, 0, 4, 7, 7, 7, 7}, true, {P(7), P(7), P(7), P(7)}},
      {"literal pixels, then a run", {2, 0, 2, 0, 130, 1, 1, 1, 1, 2, 2, 2, 2, 2, 9, 9, 9, 9},
       true, {P(1), P(2), P(9), P(9)}},
      {"byte order B, G, R, A", {1, 0, 1, 0, 129, 0x10, 0x20, 0x30, 0x40}, true, {0x40302010u}},
      {"too few pixels", {2, 0, 2, 0, 3, 7, 7, 7, 7}, false, {}},
      {"a run beyond the end", {2, 0, 2, 0, 5, 7, 7, 7, 7}, false, {}},
      {"literals beyond the end", {1, 0, 1, 0, 130, 1, 1, 1, 1, 2, 2, 2, 2}, false, {}},
      {"data after the last pixel", {1, 0, 1, 0, 1, 7, 7, 7, 7, 1}, false, {}},
      {"a run cut short", {2, 0, 2, 0, 4, 7, 7}, false, {}},
      {"literals cut short", {1, 0, 2, 0, 130, 1, 1, 1, 1, 2}, false, {}},
      {"a run of none", {1, 0, 1, 0, 0, 1, 7, 7, 7, 7}, false, {}},
      {"no size", {2, 0}, false, {}},
      {"no width", {0, 0, 2, 0, 2, 7, 7, 7, 7}, false, {}},
  };
  for (const Case& c : cases) {
    int width = 0;
    int height = 0;
    const bool sized = PackedPictureSize(c.data.data(), c.data.size(), &width, &height);
    // One guard pixel beyond the picture: it must never be written.
    Pixels pixels(sized ? width * height + 1 : 1, 0xDEADBEEFu);
    const bool unpacked = sized && UnpackPicture(c.data.data(), c.data.size(), pixels.data());
    EXPECT_EQ(c.unpacks, unpacked) << c.what;
    EXPECT_EQ(0xDEADBEEFu, pixels.back()) << c.what;
    if (c.unpacks) {
      pixels.pop_back();
      EXPECT_EQ(c.pixels, pixels) << c.what;
    }
  }
}

TEST(UnpackPicture, SizesUpTo65535ByEachSideAreRead) {
  const Bytes data = {0xFF, 0xFF, 0x34, 0x12};
  int width = 0;
  int height = 0;
  ASSERT_TRUE(PackedPictureSize(data.data(), data.size(), &width, &height));
  EXPECT_EQ(65535, width);
  EXPECT_EQ(0x1234, height);
}

}  // namespace vek::test
