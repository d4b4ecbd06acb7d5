#include "platform/Path.h"

#include <cstring>

namespace vek {

PlatformName::PlatformName(const void* bytes, std::size_t size) {
  if (size == 0) return;
  bytes_ = new unsigned char[size];
  std::memcpy(bytes_, bytes, size);
  size_ = size;
}

PlatformName::PlatformName(PlatformName&& other) noexcept : bytes_(other.bytes_), size_(other.size_) {
  other.bytes_ = nullptr;
  other.size_ = 0;
}

PlatformName& PlatformName::operator=(PlatformName other) noexcept {
  unsigned char* const bytes = bytes_;
  const std::size_t size = size_;
  bytes_ = other.bytes_;
  size_ = other.size_;
  other.bytes_ = bytes;
  other.size_ = size;
  return *this;
}

}  // namespace vek
