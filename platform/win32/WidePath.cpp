#include "platform/win32/WidePath.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/Buffer.h"
#include "platform/win32/FileSystem.h"

namespace vek::win32 {

namespace {

// From this length on, the plain form of a path is refused for folders.
constexpr std::size_t kPlainLimit = MAX_PATH - 12;

bool StartsWith(const WideText& text, const wchar_t* start) {
  const std::size_t length = static_cast<std::size_t>(lstrlenW(start));
  return text.Length() >= length &&
         std::memcmp(text.CStr(), start, length * sizeof(wchar_t)) == 0;
}

WideText From(const WideText& text, std::size_t start) {
  return WideText(text.CStr() + start, text.Length() - start);
}

}  // namespace

Path FoundFolder(const WideText& folder) {
  // The texts that the user reads are 8-bit by design: a character outside
  // the ANSI code page shows as Windows shows it there, as a stand-in ('?'
  // or a look-alike letter); the file system gets the units themselves.
  return Path::Found(Text(reinterpret_cast<const char*>(folder.CStr()),
                          folder.Length() * sizeof(wchar_t)),
                     Narrow(PlainForm(folder)));
}

WideText WideOf(const Path& path) {
  const Text& form = path.PlatformForm();
  Buffer<wchar_t> units(form.Length() / sizeof(wchar_t) + 1);
  if (!units) return WideText();
  std::memcpy(units.Data(), form.CStr(), form.Length() / sizeof(wchar_t) * sizeof(wchar_t));
  const WideText found(static_cast<Buffer<wchar_t>&&>(units), form.Length() / sizeof(wchar_t));
  return Join(found, Widen(path.Spelled()));
}

WideText LongForm(const WideText& fullPath) {
  if (fullPath.Length() < kPlainLimit || StartsWith(fullPath, L"\\\\?\\") ||
      StartsWith(fullPath, L"\\\\.\\")) {
    return WideText(fullPath.CStr(), fullPath.Length());
  }
  if (StartsWith(fullPath, L"\\\\")) return Join(WideText(L"\\\\?\\UNC", 7), From(fullPath, 1));
  if (fullPath.Length() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\') {
    return Join(WideText(L"\\\\?\\", 4), fullPath);
  }
  return WideText(fullPath.CStr(), fullPath.Length());
}

WideText FileSystemPath(const Path& path) { return LongForm(FullPath(WideOf(path))); }

WideText PlainForm(const WideText& path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return Join(WideText(L"\\", 1), From(path, 7));
  if (StartsWith(path, L"\\\\?\\")) return From(path, 4);
  return WideText(path.CStr(), path.Length());
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
      Join(PlainForm(WideText(static_cast<Buffer<wchar_t>&&>(shortFolder), length)),
           From(plain, folder.Length()));
  if (shortPath.Length() >= MAX_PATH) return WideText();
  return shortPath;
}

}  // namespace vek::win32
