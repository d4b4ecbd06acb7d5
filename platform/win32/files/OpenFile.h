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

// Marks the open `file` (or empty folder) for deletion when its last
// handle closes. False on failure, with the reason in GetLastError.
bool Discard(HANDLE file);

// Opens the copy at `path` to be placed: with plain attributes (whatever
// the shell's copy kept of its original's: read-only, hidden, system), for
// reading, for its flush and for renaming or deleting it, sharing reading
// only, so that no one can write, rename or delete it while it is held.
// Empty when it cannot be opened so, with the reason in GetLastError.
OwnedHandle OpenToPlace(const WideText& path);

// True when the open `file`, read from its start, holds exactly the
// `carried` bytes; false also when it cannot be read.
bool HoldsBytes(HANDLE file, const ResourceBytes& carried);

// System::PlaceIfSame, with both paths full paths in the wide functions'
// form. The copy's data is flushed to the disk before it takes the name.
// An opening, flush or rename that fails for a sharing violation or a
// denied access (another program holding the file a moment, as virus
// scanners do with new files) is tried again, with growing pauses, for a
// few seconds in all.
Placing PlaceIfSame(const WideText& copy, const WideText& name, const ResourceBytes& carried);

// System::KeepIfSame, `path` a full path in the wide functions' form: the
// file is kept once its data is flushed to the disk; tried again as
// PlaceIfSame is.
bool KeepIfSame(const WideText& path, const ResourceBytes& carried);

}  // namespace vek::win32
