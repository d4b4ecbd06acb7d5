// The process's entry point, where Windows starts the program, in place of
// the C runtime's start-up: the program takes no arguments, reads no
// environment and writes to no console, so none of what that start-up
// prepares is used, and without it the executable is some 10 KB smaller.
// The C runtime's library (memory, memcmp) works without it: msvcrt.dll
// prepares itself when it is loaded. Nothing runs static constructors
// either: the program has none, and the build refuses one
// (tools/link/check_image.py).

#include <windows.h>

#include "platform/win32/process/Entry.h"

// Windows calls it with the stack aligned to 4 bytes only; the compiler's
// code may assume 16.
extern "C" __attribute__((force_align_arg_pointer)) DWORD WINAPI VekDllEntry(void*) {
  ExitProcess(static_cast<UINT>(vek::win32::ProgramMain()));
}
