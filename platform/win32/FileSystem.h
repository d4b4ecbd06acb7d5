#pragma once
// Questions to the file system about paths, in UTF-16 for the wide
// functions, each of any length that Windows accepts.

#include <windows.h>

#include "platform/win32/WideText.h"

namespace vek::win32 {

// The full path of a loaded module, by default the running executable's,
// however long: the buffer grows until the whole path fits. Empty only if
// Windows cannot tell it.
WideText ModulePath(HMODULE module = nullptr);

// `path` expanded to a full path against the current folder, however long;
// `path` itself when Windows cannot expand it.
WideText FullPath(const WideText& path);

// The folder part of a path: up to and including its last backslash or
// colon; empty when it has neither.
WideText FolderPart(const WideText& path);

// True only when a file of exactly this name exists: a folder of that name
// counts as absent, and a name with wildcards names no file.
bool FileExists(const WideText& path);

// True only when `path` exists and is a folder.
bool FolderExists(const WideText& path);

}  // namespace vek::win32
