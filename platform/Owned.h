#pragma once
// The program's owners: one move-only owner of whatever must be given back,
// written once, and the heap memory built on it, an array and a single
// object. The kinds of Windows handles are in platform/win32/Handles.h.
// Plain C++, for both targets.

#include <cstddef>

namespace vek {

// Owns a Traits::Handle and gives it back with Traits::Close when it goes or
// takes another; move-only, so that every path gives back what it acquired.
// Traits::None() is the empty handle; Traits::IsValid tells a real one.
template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }

  // Gives up ownership; the caller now gives the handle back.
  Handle Release() {
    Handle handle = handle_;
    handle_ = Traits::None();
    return handle;
  }
  // Gives back the current handle, if any, and takes `handle`.
  void Reset(Handle handle = Traits::None()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::None();
};

// A block of `size` objects made with new[], given back with delete[].
template <typename T>
struct HeapArrayTraits {
  struct Handle {
    T* data;
    std::size_t size;
  };
  static Handle None() { return {nullptr, 0}; }
  static bool IsValid(Handle h) { return h.data != nullptr; }
  static void Close(Handle h) { delete[] h.data; }
};

// An owning array of `T`; move-only. Empty (no elements, null data) when
// made without a count and once moved from.
template <typename T>
class Buffer {
 public:
  Buffer() = default;
  // `count` elements, not initialised. Like every allocation of the
  // program, ends the process when there is no memory for them.
  explicit Buffer(std::size_t count) : block_({new T[count ? count : 1], count}) {}

  T* Data() const { return block_.Get().data; }
  std::size_t Size() const { return block_.Get().size; }
  T& operator[](std::size_t index) const { return Data()[index]; }

 private:
  Owned<HeapArrayTraits<T>> block_;
};

// One object made with new, given back with delete.
template <typename T>
struct HeapObjectTraits {
  using Handle = T*;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { delete h; }
};

// An owning pointer to one `T`; move-only. `T` may be incomplete where the
// owner is declared; it must be complete where the owner is destroyed.
template <typename T>
class Unique {
 public:
  // Takes ownership of `object` (null for none).
  explicit Unique(T* object = nullptr) : object_(object) {}
  T* operator->() const { return object_.Get(); }

 private:
  Owned<HeapObjectTraits<T>> object_;
};

}  // namespace vek
