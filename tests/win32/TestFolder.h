#pragma once
// What the tests of the Win32 layer share: a fresh temporary folder per
// test, deep folders, small files, UTF-16 text files, child processes, a
// second thread at work, and the layer's texts in the standard library's.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"

namespace vek::win32::test {

// The layer's texts and the standard library's: `text` as a WideText, and
// back; an 8-bit text widened as the ANSI functions read it, and its bytes.
inline WideText Wide(const std::wstring& text) { return WideText(text.data(), text.size()); }
inline std::wstring Std(const WideText& text) { return std::wstring(text.CStr(), text.Length()); }
inline std::wstring Std(const Text& text) { return Std(Widen(text)); }
inline std::string Str(const Text& text) { return std::string(text.CStr(), text.Length()); }

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

// Makes folders `name` 0, `name` 1... each inside the last, in `base` (with
// its trailing backslash), until the path is longer than MAX_PATH; returns
// it, with its trailing backslash.
std::wstring DeepFolder(const std::wstring& base, const std::wstring& name);

// A symbolic link at `path` to `target`, both full paths, removed (the
// link alone) when the object goes. Under Wine a Unix one, made and removed
// by ln and rm: Wine gives Windows programs no way to make a link, and its
// deletions reach what a link leads to. On Windows, CreateSymbolicLinkW.
class Link {
 public:
  Link(const std::wstring& path, const std::wstring& target);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  // False when no link could be made.
  bool Made() const { return made_; }

 private:
  std::wstring path_;
  bool made_;
};

// Writes `bytes` to a new file at `path` (replacing one); false on failure.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The bytes of the file at `path`; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Writes `text` to `path` in UTF-16; reads such a file back.
bool WriteWide(const std::wstring& path, const std::wstring& text);
std::wstring ReadWide(const std::wstring& path);

// The names in `folder` (not "." and "..") that match `pattern`, sorted.
std::vector<std::wstring> Names(const std::wstring& folder, const std::wstring& pattern = L"*");

// Runs `program` with `arguments` in `folder` and waits for it to end (up
// to ten minutes). Returns its exit code, or -1 when it could not start or
// did not end.
int RunProgram(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder);

// The file's own path of this test program, and that of a file that the
// build made beside it.
std::wstring ThisProgram();
inline std::wstring Built(const std::wstring& name) {
  return ThisProgram().substr(0, ThisProgram().rfind(L'\\') + 1) + name;
}

// Runs `work` over and over on a thread of its own until Stop, as another
// instance of the program works in the same folder meanwhile.
class Meanwhile {
 public:
  explicit Meanwhile(std::function<void()> work)
      : work_(std::move(work)), thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
  ~Meanwhile() { Stop(); }
  // Lets the round under way end; false when the work never started.
  bool Stop() {
    running_ = false;
    return thread_ && WaitForSingleObject(thread_.Get(), INFINITE) == WAIT_OBJECT_0;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto& meanwhile = *static_cast<Meanwhile*>(self);
    while (meanwhile.running_) meanwhile.work_();
    return 0;
  }
  std::function<void()> work_;
  std::atomic<bool> running_{true};
  OwnedHandle thread_;
};

}  // namespace vek::win32::test
