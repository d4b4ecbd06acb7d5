#include "platform/Path.h"

#include <cstring>

namespace vek {

PlatformName::PlatformName(const void* bytes, std::size_t size) {
  if (size == 0) return;
  bytes_ = Buffer<unsigned char>(size);
  std::memcpy(bytes_.Data(), bytes, size);
}

}  // namespace vek
