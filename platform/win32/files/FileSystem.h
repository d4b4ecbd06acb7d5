#pragma once
// The file system by path, in UTF-16 for the wide functions, each path of
// any length that Windows accepts: what a path names, and folder listings.

#include <windows.h>

#include "platform/win32/WideText.h"

namespace vek::win32 {

// True only when a file of exactly this name exists: a folder of that name
// counts as absent, and a name with wildcards names no file.
bool FileExists(const WideText& path);

// True only when `path` exists and is a folder.
bool FolderExists(const WideText& path);

// What a folder listing visits: the files, or the folders.
enum class Entries { Files, Folders };

// Calls `visit` with the full path of each file (or each folder) directly
// in `folder` (with its trailing backslash) that matches `pattern` ("*",
// "vek*.tmp"), in the listing's order, while the listing is open; nothing
// when the folder cannot be listed. Never "." and "..", and never a link
// or other reparse point that the listing shows as one. A pattern matches
// the short (8.3) name too: `visit` judges the long name it is given.
void ForEachEntry(const WideText& folder, const WideText& pattern, Entries kind,
                  void (*visit)(const WideText& path));

}  // namespace vek::win32
