#pragma once
// The program's paths (Path) in UTF-16 for the wide file functions, in the
// form that each function takes at any length, and the folders that the
// platform finds made into Paths.

#include "platform/Path.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// How a path starts, as the wide file functions tell paths apart:
// "\\?\UNC\" (a share in the long form), "\\?\" (a long form), "\\.\" (a
// device), "\\" (a share), "X:\" (a drive), or none of them (relative).
enum class PathPrefix { LongShare, Long, Device, Share, Drive, None };
PathPrefix PrefixOf(const WideText& path);
// The units of the prefix that come before the path's own first name:
// 8, 4, 4 and 2 for the first four; 0 for a drive path and for none.
std::size_t PrefixLength(PathPrefix prefix);

// A folder that this platform found, made into a Path: its UTF-16 units are
// its own form; the user reads it converted to the ANSI code page as
// Windows converts names for its ANSI functions.
Path FoundFolder(const WideText& folder);

// `path` expanded to a full path against the current folder, however long;
// `path` itself when Windows cannot expand it.
WideText FullPath(const WideText& path);

// The path in UTF-16: the found folder's own units, then the 8-bit text
// after it, converted from the ANSI code page.
WideText WideOf(const Path& path);

// A full path as the wide file functions take it at any length: from the
// length on which the plain form is refused (MAX_PATH less the room of an
// 8.3 name, the limit for folders), with "\\?\" before a drive path and
// "\\?\UNC\" instead of the "\\" of a share. Other paths are kept as given.
WideText LongForm(const WideText& fullPath);

// The path's full path, in the form that the wide file functions take.
WideText FileSystemPath(const Path& path);

// A path without the "\\?\" or "\\?\UNC\" of its long form: as users read
// paths, and as the shell takes them.
WideText PlainForm(const WideText& path);

// `fullPath` in a form that the shell's file operation takes, which is a
// plain path shorter than MAX_PATH: as it is when it fits, else its folder
// in its short (8.3) form followed by its file name. Empty when even that
// does not fit (a volume without short names).
WideText ShellForm(const WideText& fullPath);

}  // namespace vek::win32
