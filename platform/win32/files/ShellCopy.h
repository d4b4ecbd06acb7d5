#pragma once
// The shell's copy of one file, as the user's own copies go: with its
// progress and error windows.

#include <windows.h>

#include "platform/Failure.h"
#include "platform/Path.h"
#include "platform/win32/Handles.h"

namespace vek::win32 {

class Shell {
 public:
  // Loads the shell from the system folder, unless it is loaded already.
  // Nothing happens when it cannot be loaded: the next call tries again.
  void Load();

  // System::ShellCopy: `source` copied to `target` by SHFileOperationW,
  // FOF_NOCONFIRMATION only, owned by `owner`; *result receives the
  // shell's return value. Loads the shell first when need be. A Failure
  // when the request cannot be made at all: the shell cannot be loaded, or
  // a path is too long for it in any form.
  Failure Copy(const Path& source, const Path& target, HWND owner, int* result);

 private:
  // Loaded at the first pause or copy rather than at start, for the row
  // "start of the process to the main window shown" (bench/startup.py):
  // the shell and the libraries it pulls in are the heaviest part of a
  // start-up otherwise.
  OwnedModule shell32_;
};

}  // namespace vek::win32
