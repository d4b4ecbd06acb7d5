#include "platform/PackedPicture.h"

namespace vek {

namespace {

constexpr std::size_t kHeader = 4;
constexpr unsigned kMaxRun = 128;

std::uint32_t Pixel(const std::uint8_t* bytes) {
  return bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool PackedPictureSize(const std::uint8_t* data, std::size_t size, int* width, int* height) {
  if (size < kHeader) return false;
  const int w = data[0] | data[1] << 8;
  const int h = data[2] | data[3] << 8;
  if (w == 0 || h == 0) return false;
  *width = w;
  *height = h;
  return true;
}

bool UnpackPicture(const std::uint8_t* data, std::size_t size, std::uint32_t* pixels) {
  int width = 0;
  int height = 0;
  if (!PackedPictureSize(data, size, &width, &height)) return false;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::size_t filled = 0;
  std::size_t at = kHeader;
  while (at < size) {
    const unsigned control = data[at++];
    const bool repeated = control <= kMaxRun;
    const std::size_t run = repeated ? control : control - kMaxRun;
    const std::size_t bytes = repeated ? 4 : 4 * run;
    if (run == 0 || run > count - filled || bytes > size - at) return false;
    for (std::size_t i = 0; i < run; ++i) {
      pixels[filled++] = Pixel(data + at + (repeated ? 0 : 4 * i));
    }
    at += bytes;
  }
  return filled == count;
}

}  // namespace vek
