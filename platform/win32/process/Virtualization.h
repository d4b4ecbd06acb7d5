#pragma once
// UAC's file and registry virtualization, which Windows applies to a 32-bit
// program without a manifest that a standard user runs: a folder such a
// program makes under the Windows folder goes to the user's VirtualStore
// instead, where no other program looks for it.

namespace vek::win32 {

// Turns the virtualization off for this process where Windows reports it
// on, so that what the process makes under a protected folder is made there
// or refused (access denied), never redirected. Nothing happens where
// Windows does not know it (XP; Wine) or it is already off; asks nothing of
// the user.
void StopVirtualization();

}  // namespace vek::win32
