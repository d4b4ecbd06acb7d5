#include "platform/win32/files/WidePath.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "platform/win32/FillGrowing.h"

namespace vek::win32 {

namespace {

// From this length on, the plain form of a path is refused for folders.
constexpr std::size_t kPlainLimit = MAX_PATH - 12;

bool StartsWith(const WideText& text, const wchar_t* start) {
  const std::size_t length = static_cast<std::size_t>(lstrlenW(start));
  return text.Length() >= length &&
         std::memcmp(text.CStr(), start, length * sizeof(wchar_t)) == 0;
}

// The units of a prefix, `units` spelling it out.
WideText Prefix(const wchar_t* units, PathPrefix prefix) {
  return WideText(units, PrefixLength(prefix));
}

}  // namespace

PathPrefix PrefixOf(const WideText& path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return PathPrefix::LongShare;
  if (StartsWith(path, L"\\\\?\\")) return PathPrefix::Long;
  if (StartsWith(path, L"\\\\.\\")) return PathPrefix::Device;
  if (StartsWith(path, L"\\\\")) return PathPrefix::Share;
  if (path.Length() >= 3 && path[1] == L':' && path[2] == L'\\') return PathPrefix::Drive;
  return PathPrefix::None;
}

std::size_t PrefixLength(PathPrefix prefix) {
  switch (prefix) {
    case PathPrefix::LongShare: return 8;
    case PathPrefix::Long:
    case PathPrefix::Device: return 4;
    case PathPrefix::Share: return 2;
    case PathPrefix::Drive:
    case PathPrefix::None: break;
  }
  return 0;
}

Path FoundFolder(const WideText& folder) {
  // The texts that the user reads are 8-bit by design: a character outside
  // the ANSI code page shows as Windows shows it there, as a stand-in ('?'
  // or a look-alike letter); the file system gets the units themselves.
  return Path::Found(PlatformName(folder.CStr(), folder.Length() * sizeof(wchar_t)),
                     Narrow(PlainForm(folder)));
}

WideText FullPath(const WideText& path) {
  Buffer<wchar_t> full;
  const std::size_t length = FillGrowing(&full, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(
        GetFullPathNameW(path.CStr(), static_cast<DWORD>(size), buffer, nullptr));
  });
  return length ? WideText(std::move(full), length)
                : WideText(path.CStr(), path.Length());
}

WideText WideOf(const Path& path) {
  // The bytes are the units that FoundFolder stored, in memory aligned as
  // any allocation is.
  const PlatformName& form = path.PlatformForm();
  const WideText found(reinterpret_cast<const wchar_t*>(form.Bytes()), form.Size() / sizeof(wchar_t));
  return Join(found, Widen(path.Spelled()));
}

WideText LongForm(const WideText& fullPath) {
  if (fullPath.Length() >= kPlainLimit) {
    switch (PrefixOf(fullPath)) {
      case PathPrefix::Share:
        return Join(Prefix(L"\\\\?\\UNC\\", PathPrefix::LongShare),
                    fullPath.From(PrefixLength(PathPrefix::Share)));
      case PathPrefix::Drive: return Join(Prefix(L"\\\\?\\", PathPrefix::Long), fullPath);
      default: break;
    }
  }
  return WideText(fullPath.CStr(), fullPath.Length());
}

WideText FileSystemPath(const Path& path) { return LongForm(FullPath(WideOf(path))); }

WideText PlainForm(const WideText& path) {
  const PathPrefix prefix = PrefixOf(path);
  switch (prefix) {
    case PathPrefix::LongShare:
      return Join(Prefix(L"\\\\", PathPrefix::Share), path.From(PrefixLength(prefix)));
    case PathPrefix::Long: return path.From(PrefixLength(prefix));
    default: return WideText(path.CStr(), path.Length());
  }
}

WideText ShellForm(const WideText& fullPath) {
  WideText plain = PlainForm(fullPath);
  if (plain.Length() < MAX_PATH) return plain;
  const WideText folder = FolderPart(plain);
  const WideText longFolder = LongForm(folder);
  Buffer<wchar_t> shortFolder;
  const std::size_t length = FillGrowing(&shortFolder, MAX_PATH, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(
        GetShortPathNameW(longFolder.CStr(), buffer, static_cast<DWORD>(size)));
  });
  if (length == 0) return WideText();
  WideText shortPath =
      Join(PlainForm(WideText(std::move(shortFolder), length)),
           plain.From(folder.Length()));
  if (shortPath.Length() >= MAX_PATH) return WideText();
  return shortPath;
}

}  // namespace vek::win32
