// The program's allocation functions. The C++ library's own operator new
// throws std::bad_alloc, and linking it brings in the exception machinery,
// which is larger than all the rest of the program. Ours takes the memory
// from the C runtime and ends the process when there is none: every
// allocation here is a few hundred bytes.

#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* memory = std::malloc(size ? size : 1);
  if (!memory) std::abort();
  return memory;
}

void* operator new[](std::size_t size) { return operator new(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
