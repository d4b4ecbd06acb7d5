#pragma once
// Time to the millisecond, for the pauses of the installation run.

namespace vek::win32 {

// Milliseconds on the performance counter, which every Windows since XP
// has, from a start of its own.
double Milliseconds();

// Sleeps on the calling thread, handling no window event, until
// Milliseconds() reaches `end`: not a tick of the system's timer later.
void SleepUntil(double end);

}  // namespace vek::win32
