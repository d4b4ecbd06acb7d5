#pragma once
// Pictures as the build stores them (tools/images/packed.py): their width and
// height as two 16-bit little-endian numbers, then their premultiplied
// 32-bit pixels (B, G, R, A bytes; rows top-down) in runs: a count byte
// 1-128 followed by one pixel repeated that many times, or a count byte
// 129-255 followed by (count - 128) pixels as they are. Plain C++, shared by
// the Windows picture code and its unit test.

#include <cstddef>
#include <cstdint>

namespace vek {

// The width and height that the stored picture states. False, and nothing
// set, when the data is too short to state them or either is 0.
bool PackedPictureSize(const std::uint8_t* data, std::size_t size, int* width, int* height);

// Fills `pixels`, which holds width * height pixels of the size that the
// picture states (each 0xAARRGGBB), from the stored picture. False when the
// data does not describe exactly that many pixels and then end; `pixels` may
// then be partly filled, but never beyond its end.
bool UnpackPicture(const std::uint8_t* data, std::size_t size, std::uint32_t* pixels);

}  // namespace vek
