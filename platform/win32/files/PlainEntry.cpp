#include "platform/win32/files/PlainEntry.h"

#include <utility>

#include "platform/win32/FillGrowing.h"
#include "platform/win32/files/OpenFile.h"

namespace vek::win32 {

namespace {

// The final path of an open file or folder, as Windows normalises it (long
// names, "\\?\" before it); empty when Windows cannot tell.
WideText FinalPath(HANDLE entry) {
  Buffer<wchar_t> path;
  const std::size_t length = FillGrowing(&path, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(GetFinalPathNameByHandleW(
        entry, buffer, static_cast<DWORD>(size), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS));
  });
  return length ? WideText(std::move(path), length) : WideText();
}

// True when the open `entry` is what `path` names itself: its final path is
// that of the folder that `path` names, followed by its own name, as the
// file system compares names. Under Wine an entry opened through a link has
// the final path of where the link leads.
bool UnderOwnName(HANDLE entry, const WideText& path) {
  const WideText folderPath = FolderPart(path);
  OwnedHandle folder(CreateFileW(folderPath.CStr(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  WideText expected = folder ? FinalPath(folder.Get()) : WideText();
  if (expected.Empty()) return false;
  // A drive's root ends with its backslash already.
  if (expected[expected.Length() - 1] != L'\\') expected = Join(expected, WideText(L"\\", 1));
  expected = Join(expected, path.From(folderPath.Length()));
  const WideText own = FinalPath(entry);
  return !own.Empty() && SameName(own, expected);
}

void RemovePlainFile(const WideText& path) { RemovePlain(path, Entries::Files); }

}  // namespace

OwnedHandle OpenPlain(const WideText& path, Entries kind, DWORD access, DWORD share) {
  OwnedHandle entry(CreateFileW(path.CStr(), access | FILE_READ_ATTRIBUTES, share, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry) return entry;
  const DWORD folder = kind == Entries::Folders ? FILE_ATTRIBUTE_DIRECTORY : 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(entry.Get(), &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == folder &&
      (folder || info.nNumberOfLinks == 1) && UnderOwnName(entry.Get(), path)) {
    return entry;
  }
  entry.Reset();
  SetLastError(ERROR_CANT_ACCESS_FILE);
  return entry;
}

bool RemovePlain(const WideText& path, Entries kind) {
  OwnedHandle entry = OpenPlain(path, kind, DELETE | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!entry) return false;
  if (kind == Entries::Files) {
    // A read-only file cannot be deleted, and the shell's copy keeps the
    // attributes of the file it copies.
    FILE_BASIC_INFO plain = {};
    plain.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(entry.Get(), FileBasicInfo, &plain, sizeof plain);
  }
  return Discard(entry.Get());
}

void RemovePlainContents(const WideText& folder) {
  ForEachEntry(folder, WideText(L"*", 1), Entries::Files, RemovePlainFile);
  ForEachEntry(folder, WideText(L"*", 1), Entries::Folders, RemovePlainTree);
}

void RemovePlainTree(const WideText& path) {
  // The claim: an opening for writing, which another instance's hold on its
  // landing folder refuses; while it is open, nobody renames the folder to
  // put something else under its name. (Deletion access would keep the
  // folder's own listing from opening under Wine: the folder itself goes by
  // a second opening, once its contents are gone.)
  OwnedHandle claim =
      OpenPlain(path, Entries::Folders, FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!claim) return;
  RemovePlainContents(Join(path, WideText(L"\\", 1)));
  claim.Reset();
  RemovePlain(path, Entries::Folders);
}

}  // namespace vek::win32
