#include "platform/win32/process/Clock.h"

#include <windows.h>

namespace vek::win32 {

double Milliseconds() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void SleepUntil(double end) {
  // For the row "installation run minus 7 x 1000 ms of pauses" (bench/
  // install_run.py), which counts every millisecond that a pause overruns:
  // Sleep wakes at a tick of the system's timer after the time asked, so it
  // is asked for less and the last moments pass in yields. A plain
  // Sleep(milliseconds) would be as correct, up to a tick late.
  for (double left = end - Milliseconds(); left > 0; left = end - Milliseconds()) {
    Sleep(left > 2 ? static_cast<DWORD>(left) - 2 : 0);
  }
}

}  // namespace vek::win32
