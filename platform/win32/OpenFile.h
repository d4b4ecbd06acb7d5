#pragma once
// Work on a file through one open handle: what is checked is what is
// renamed or removed, whatever happens to the name meanwhile.

#include <windows.h>

#include <cstddef>

#include "platform/System.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// Gives the open `file` the name `path` (a full path), unless a file or
// folder of that name exists. False on failure, with the reason in
// GetLastError.
bool PutInPlace(HANDLE file, const WideText& path);

// Marks the open `file` for deletion when its last handle closes.
void Discard(HANDLE file);

// System::PlaceIfSame, with both paths full paths in the wide functions'
// form.
Placing PlaceIfSame(const WideText& copy, const WideText& name, const ResourceBytes& carried);

// System::KeepIfSame, `path` a full path in the wide functions' form.
bool KeepIfSame(const WideText& path, const ResourceBytes& carried);

}  // namespace vek::win32
