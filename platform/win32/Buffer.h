#pragma once
// Owners for memory, move-only like the handle owners: an array and a single
// object; and the one helper for the Windows calls that write into a buffer
// of the caller's and say how much room they need when it is too small.
// Nothing here includes <windows.h>.

#include <cstddef>

namespace vek::win32 {

// An owning array of `T`.
template <typename T>
class Buffer {
 public:
  Buffer() = default;
  // `count` elements, not initialised. Like every allocation of the
  // program, ends the process when there is no memory for them.
  explicit Buffer(std::size_t count) : data_(new T[count ? count : 1]), size_(count) {}
  ~Buffer() { delete[] data_; }
  Buffer(Buffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  Buffer& operator=(Buffer&& other) noexcept {
    if (this != &other) {
      delete[] data_;
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  T* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  T& operator[](std::size_t index) const { return data_[index]; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

// An owning pointer to one `T`. `T` may be incomplete where the owner is
// declared; it must be complete where the owner is destroyed.
template <typename T>
class Unique {
 public:
  // Takes ownership of `object` (null for none).
  explicit Unique(T* object = nullptr) : object_(object) {}
  ~Unique() { delete object_; }
  Unique(Unique&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      delete object_;
      object_ = other.object_;
      other.object_ = nullptr;
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }

 private:
  T* object_;
};

// For a Windows call that writes into a buffer of `capacity` elements and
// answers either the length it wrote (below the capacity: it all fitted,
// with its terminating NUL), or a capacity at least as large as the one it
// was given (the result was cut, or the room it needs), or 0 on failure:
// GetModuleFileName, GetFullPathName, GetShortPathName, GetSystemDirectory.
// `call(T* buffer, std::size_t capacity)` is made again with a larger
// buffer until the result fits. Returns the length written, with the
// result in *buffer; 0 when the call failed (GetLastError tells why) or
// when 64K elements are still too few.
template <typename T, typename Call>
std::size_t FillGrowing(Buffer<T>* buffer, std::size_t capacity, Call call) {
  constexpr std::size_t kLargest = 65536;
  while (capacity <= kLargest) {
    *buffer = Buffer<T>(capacity);
    const std::size_t answer = call(buffer->Data(), capacity);
    if (answer < capacity) return answer;
    // Grow at least twofold: a call that only says "cut" answers its capacity.
    capacity = answer >= 2 * capacity ? answer + 1 : 2 * capacity;
  }
  return 0;
}

}  // namespace vek::win32
