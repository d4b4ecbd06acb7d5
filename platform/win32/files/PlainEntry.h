#pragma once
// Plain entries: real files and folders under their own names. What the
// program opens to copy or removes in the folders it works in is first
// opened as itself and checked to be one, so that it never acts on what a
// link leads to. Windows shows a link (a symbolic link, a junction, any
// other reparse point) as such; Wine shows a Unix symbolic link as the file
// or folder it leads to, but the final path of what it opened is then that
// one's, not the name's.

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"
#include "platform/win32/files/FileSystem.h"

namespace vek::win32 {

// Opens the entry at `path` (a full path without a trailing backslash)
// itself, never what a link there leads to, with `access` and `share` as
// CreateFileW takes them. Empty unless it is plain: a file (or, for
// Entries::Folders, a folder) that is no link or other reparse point, is
// reached under this very name (its final path is its folder's and its own
// name) and, for a file, has no other name (a hard link). On failure
// GetLastError tells why; ERROR_CANT_ACCESS_FILE when it is not plain.
OwnedHandle OpenPlain(const WideText& path, Entries kind, DWORD access, DWORD share);

// Removes the plain file at `path`, also a read-only one, or the plain
// empty folder, as `kind` says. Anything else is left as it is. True when
// it is gone.
bool RemovePlain(const WideText& path, Entries kind);

// Removes what the folder `folder` (with its trailing backslash) holds:
// its plain files, and its plain folders whole. What is not plain is left.
void RemovePlainContents(const WideText& folder);

// Removes the plain folder at `path` (without a trailing backslash) whole:
// the plain files and folders in it, and theirs. What is not plain is left,
// and the folders that hold it. A folder that another opening holds against
// writing (another instance's live landing folder) is left whole.
void RemovePlainTree(const WideText& path);

}  // namespace vek::win32
