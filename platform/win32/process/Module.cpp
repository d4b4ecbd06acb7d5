#include "platform/win32/process/Module.h"

#include <utility>

#include "platform/win32/FillGrowing.h"

namespace vek::win32 {

WideText ModulePath(HMODULE module) {
  Buffer<wchar_t> path;
  // GetModuleFileNameW fills the whole buffer when it cuts the path.
  const std::size_t length = FillGrowing(&path, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(GetModuleFileNameW(module, buffer, static_cast<DWORD>(size)));
  });
  return length ? WideText(std::move(path), length) : WideText();
}

}  // namespace vek::win32
