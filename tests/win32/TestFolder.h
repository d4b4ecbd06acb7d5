#pragma once
// What the tests of the Win32 layer share: a fresh temporary folder per
// test, small files, UTF-8 text files and child processes.

#include <windows.h>

#include <string>
#include <vector>

namespace vek::win32::test {

// A new empty folder under the system's temporary folder, removed with all
// it holds when the object goes. Path() ends with a backslash.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

// Removes a file or a folder with all it holds; paths of any length.
void RemoveTree(const std::wstring& path);

// `path` with "\\?\" before it, as the wide functions take paths of any length.
std::wstring Long(const std::wstring& path);

// Writes `bytes` to a new file at `path` (replacing one); false on failure.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The bytes of the file at `path`; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Writes `text` to `path` in UTF-8; reads such a file back.
bool WriteUtf8(const std::wstring& path, const std::wstring& text);
std::wstring ReadUtf8(const std::wstring& path);

// The names in `folder` (not "." and ".."), sorted.
std::vector<std::wstring> Names(const std::wstring& folder);

// Runs `program` with `arguments` in `folder` and waits for it to end (up
// to ten minutes), with `extraEnvironment` ("NAME=value" entries) added to
// this process's environment. Returns its exit code, or -1 when it could
// not start or did not end.
int RunProgram(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder, const std::vector<std::wstring>& extraEnvironment = {});

// The file's own path of this test program.
std::wstring ThisProgram();

}  // namespace vek::win32::test
