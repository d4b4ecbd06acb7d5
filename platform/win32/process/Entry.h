#pragma once
// The process's entry point (Entry.cpp) and the program's main function,
// which the program defines and the entry calls.

namespace vek::win32 {

// The program: runs it to its end and returns the process's exit code.
int ProgramMain();

}  // namespace vek::win32
