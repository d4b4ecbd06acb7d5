#pragma once
// The one helper for the Windows calls that write into a buffer of the
// caller's and say how much room they need when it is too small. Nothing
// here includes <windows.h>.

#include <cstddef>

#include "platform/Owned.h"

namespace vek::win32 {

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
