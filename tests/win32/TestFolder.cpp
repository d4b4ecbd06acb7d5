#include "tests/win32/TestFolder.h"

#include <algorithm>

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

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &written, nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  return ok;
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool WriteUtf8(const std::wstring& path, const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(length > 0 ? length : 0);
  return WriteBytes(path, bytes);
}

std::wstring ReadUtf8(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  std::wstring text(bytes.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                         &text[0], static_cast<int>(text.size()));
  text.resize(length > 0 ? length : 0);
  return text;
}

std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring pattern = Long(folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((pattern + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

int RunProgram(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder, const std::vector<std::wstring>& extraEnvironment) {
  // The extra entries, then this process's own, but for those they replace.
  auto nameOf = [](const std::wstring& entry) {
    return entry.substr(0, entry.find(L'=', 1));
  };
  std::wstring environment;
  for (const std::wstring& entry : extraEnvironment) environment += entry + L'\0';
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry; entry += lstrlenW(entry) + 1) {
    const std::wstring name = nameOf(entry);
    const bool replaced = std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
                                      [&](const std::wstring& extra) {
                                        return _wcsicmp(nameOf(extra).c_str(), name.c_str()) == 0;
                                      });
    if (!replaced) environment += std::wstring(entry) + L'\0';
  }
  FreeEnvironmentStringsW(own);
  environment += L'\0';

  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, &environment[0], folder.c_str(), &startup,
                      &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 10 * 60 * 1000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::wstring ThisProgram() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
  return path;
}

}  // namespace vek::win32::test
