#include "tests/win32/TestFolder.h"

#include <algorithm>
#include <initializer_list>

#include "platform/win32/process/Module.h"

namespace vek::win32::test {

TestFolder::TestFolder() {
  wchar_t temporary[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::wstring(temporary, length) + L"vekw32-" + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(++counter) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

TestFolder::~TestFolder() { RemoveTree(path_); }

std::wstring Long(const std::wstring& path) {
  return path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
}

std::wstring DeepFolder(const std::wstring& base, const std::wstring& name) {
  std::wstring path = base;
  for (int level = 0; path.size() <= MAX_PATH; ++level) {
    path += name + L" " + std::to_wstring(level) + L"\\";
    CreateDirectoryW(Long(path).c_str(), nullptr);
  }
  return path;
}

void RemoveTree(const std::wstring& path) {
  std::wstring bare = Long(path);
  while (!bare.empty() && bare.back() == L'\\') bare.pop_back();
  const DWORD attributes = GetFileAttributesW(bare.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(bare.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(bare.c_str());
    return;
  }
  for (const std::wstring& name : Names(bare)) RemoveTree(bare + L"\\" + name);
  RemoveDirectoryW(bare.c_str());
}

namespace {

// True while something is listed under `path`.
bool Listed(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  return static_cast<bool>(OwnedFind(FindFirstFileW(path.c_str(), &found)));
}

// Runs the Unix program `program` (on Z:, the Unix root) with "-s" or
// "-f" and the Unix names of `paths`, when this is Wine; then waits up to a
// minute until something is `listed` under the last path, or nothing is:
// Wine gives no process to wait for. False when this is not Wine.
bool UnderWine(const wchar_t* program, const wchar_t* option,
               std::initializer_list<const std::wstring*> paths, bool listed) {
  const auto unixName = Export<char*(CDECL*)(const wchar_t*)>(GetModuleHandleW(L"kernel32.dll"),
                                                             "wine_get_unix_file_name");
  if (!unixName) return false;
  std::wstring arguments = option;
  for (const std::wstring* path : paths) {
    char* name = unixName(path->c_str());
    wchar_t wide[4 * MAX_PATH] = L"";
    if (name) MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, 4 * MAX_PATH);
    HeapFree(GetProcessHeap(), 0, name);
    arguments += L" \"" + std::wstring(wide) + L"\"";
  }
  RunProgram(program, arguments, L"C:\\");
  const std::wstring& last = **(paths.end() - 1);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(10)) {
    if (Listed(last) == listed) break;
  }
  return true;
}

}  // namespace

Link::Link(const std::wstring& path, const std::wstring& target) : path_(path) {
  if (!UnderWine(L"Z:\\bin\\ln", L"-s", {&target, &path}, true)) {
    const bool folder = GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY;
    CreateSymbolicLinkW(path.c_str(), target.c_str(),
                        (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 0x2 /* unprivileged */);
  }
  made_ = Listed(path);
}

Link::~Link() {
  // Windows removes a link itself, never what it leads to.
  if (!UnderWine(L"Z:\\bin\\rm", L"-f", {&path_}, false) && !DeleteFileW(path_.c_str())) {
    RemoveDirectoryW(path_.c_str());
  }
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const OwnedHandle file(
      CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD written = 0;
  return file && (size == 0 || (WriteFile(file.Get(), bytes.data(), size, &written, nullptr) &&
                                written == size));
}

std::string ReadBytes(const std::wstring& path) {
  const OwnedHandle file(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::string();
  std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

bool WriteWide(const std::wstring& path, const std::wstring& text) {
  return WriteBytes(path, std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size()));
}

std::wstring ReadWide(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

std::vector<std::wstring> Names(const std::wstring& folder, const std::wstring& filter) {
  std::vector<std::wstring> names;
  std::wstring pattern = Long(folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW found;
  OwnedFind search(FindFirstFileW((pattern + filter).c_str(), &found));
  if (!search) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search.Get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

int RunProgram(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return -1;
  }
  const OwnedHandle thread(process.hThread), running(process.hProcess);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(running.Get(), 10 * 60 * 1000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(running.Get(), &code);
  } else {
    TerminateProcess(running.Get(), 1);
  }
  return static_cast<int>(code);
}

std::wstring ThisProgram() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
  return path;
}

}  // namespace vek::win32::test
