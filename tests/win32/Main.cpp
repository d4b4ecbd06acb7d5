// The tests of the Win32 layer, under Wine. Run as
//   win32_tests.exe --module-path FILE
// it only writes the executable's path, as ModulePath reads it, to FILE in
// UTF-8 and ends: a test runs a copy of it from a long folder that way.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/FileSystem.h"
#include "tests/win32/TestFolder.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--module-path") == 0) {
    const vek::win32::WideText path = vek::win32::ModulePath();
    const std::wstring out(argv[2], argv[2] + std::strlen(argv[2]));
    return vek::win32::test::WriteUtf8(out, std::wstring(path.CStr(), path.Length())) ? 0 : 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
