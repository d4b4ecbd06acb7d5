// The program's allocation functions. The C++ library's own operator new
// throws std::bad_alloc, and linking it brings in the exception machinery,
// which is larger than all the rest of the program. Ours takes the memory
// from the C runtime and ends the process when there is none. This is the
// program's one policy for a lack of memory: every allocation (texts,
// buffers) comes here, and none of their users checks for it. They are a
// few hundred bytes each.

#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* memory = std::malloc(size ? size : 1);
  if (!memory) std::abort();
  return memory;
}

void* operator new[](std::size_t size) { return operator new(size); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
