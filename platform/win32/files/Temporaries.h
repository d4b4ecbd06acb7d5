#pragma once
// The names of the program's temporary files and folders: "vek<process>-<n>.tmp"
// in the folder that they serve.

#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// Makes a new file or folder under a temporary name in `folder` (a full
// path with its trailing backslash) by `make`, which is given its full path
// and returns it open, or else an empty handle with the reason in
// GetLastError. A name that is taken (ERROR_FILE_EXISTS,
// ERROR_ALREADY_EXISTS) is passed over for the next, a hundred at most. On
// success *name, when asked for, is the name taken: this process's id and
// a counter that never repeats in it. On failure the handle is empty and
// GetLastError tells why.
OwnedHandle MakeUnderTemporaryName(const WideText& folder,
                                   OwnedHandle (*make)(const WideText& path), Text* name = nullptr);

// The pattern that every temporary name matches, for ForEachEntry. Other
// names match it too (and short names: "vekdados.tmpx" is "VEKDAD~1.TMP").
WideText TemporaryPattern();

// True when the last name of `path` is exactly of the form that
// MakeUnderTemporaryName gives: "vek", digits, "-", digits, ".tmp".
bool IsTemporaryName(const WideText& path);

}  // namespace vek::win32
