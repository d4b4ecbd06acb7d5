// The placing's cost with and without its flush, for bench/placing.py, under
// Wine or natively on Windows. In FOLDER, for ROUNDS rounds, each FILE is
// copied into a landing folder as the shell copies it (CopyFileW), then
// placed under its name: once by PlaceIfSame (compare, flush, rename), once
// by the same steps without the flush, the two in turns. Prints one line per
// placing: "flushed|unflushed MILLISECONDS"; exit code 1 when a placing
// failed.
//
//   vekplacing FOLDER ROUNDS FILE...   (full Windows paths)

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/files/OpenFile.h"

using namespace vek;
using namespace vek::win32;

namespace {

// The whole file at `path`; empty when it cannot be read.
std::string Bytes(const wchar_t* path) {
  const OwnedHandle file(
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes(file ? GetFileSize(file.Get(), nullptr) : 0, '\0');
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

WideText Wide(const std::wstring& text) { return WideText(text.data(), text.size()); }

double Milliseconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The placing's steps without its flush.
bool PlaceUnflushed(const WideText& copy, const WideText& name, const ResourceBytes& carried) {
  const OwnedHandle file = OpenToPlace(copy);
  return file && HoldsBytes(file.Get(), carried) && PutInPlace(file.Get(), name);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vekplacing FOLDER ROUNDS FILE...\n");
    return 2;
  }
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  const std::wstring landing = folder + L"landing\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW(landing.c_str(), nullptr);
  bool failed = false;
  for (int round = 0; round < _wtoi(argv[2]); ++round) {
    for (int i = 3; i < argc; ++i) {
      const std::string bytes = Bytes(argv[i]);
      const ResourceBytes carried{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
      const wchar_t* name = std::wcsrchr(argv[i], L'\\') + 1;
      for (const bool flushed : {round % 2 == 0, round % 2 != 0}) {
        const std::wstring copy = landing + name, placed = folder + name;
        if (!CopyFileW(argv[i], copy.c_str(), FALSE)) failed = true;
        const double start = Milliseconds();
        const bool done = flushed ? PlaceIfSame(Wide(copy), Wide(placed), carried) == Placing::Placed
                                  : PlaceUnflushed(Wide(copy), Wide(placed), carried);
        const double took = Milliseconds() - start;
        std::printf("%s %.3f\n", flushed ? "flushed" : "unflushed", took);
        if (!done || !DeleteFileW(placed.c_str())) failed = true;
      }
    }
  }
  RemoveDirectoryW(landing.c_str());
  return failed ? 1 : 0;
}
