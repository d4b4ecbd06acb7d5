#include "platform/win32/process/Virtualization.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace vek::win32 {

void StopVirtualization() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_DEFAULT, &token)) return;
  OwnedHandle owned(token);
  DWORD enabled = 0;
  DWORD size = 0;
  // Where the class is unknown (before Vista, or under Wine) the query fails.
  if (!GetTokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled, &size) ||
      !enabled) {
    return;
  }
  DWORD off = 0;
  SetTokenInformation(token, TokenVirtualizationEnabled, &off, sizeof off);
}

}  // namespace vek::win32
