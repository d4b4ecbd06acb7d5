#include "tests/win32/Boxes.h"

#include <algorithm>

namespace vek::win32::test {

namespace {

BoxAnswerer* current = nullptr;

std::string WindowText(HWND window) {
  char text[1024];
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

std::string ClassName(HWND window) {
  char name[64];
  const int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, length > 0 ? length : 0);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM seen) {
  auto* box = reinterpret_cast<SeenBox*>(seen);
  const std::string name = ClassName(child);
  const std::string text = WindowText(child);
  if (_stricmp(name.c_str(), "Static") == 0 && !text.empty()) box->texts.push_back(text);
  if (_stricmp(name.c_str(), "Button") == 0) box->buttons.push_back(text);
  return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer(WPARAM key, HWND watched)
    : key_(key), watched_(watched), timer_(SetTimer(nullptr, 0, 50, Tick)) {
  current = this;
}

BoxAnswerer::~BoxAnswerer() {
  KillTimer(nullptr, timer_);
  current = nullptr;
}

void CALLBACK BoxAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
}

BOOL CALLBACK BoxAnswerer::Visit(HWND window, LPARAM) {
  if (ClassName(window) == "#32770" && IsWindowVisible(window)) current->Answer(window);
  return TRUE;
}

void BoxAnswerer::Answer(HWND box) {
  if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
  answered_.push_back(box);
  SeenBox seen;
  seen.caption = WindowText(box);
  GetWindowRect(box, &seen.frame);
  seen.owner = GetWindow(box, GW_OWNER);
  seen.watchedEnabled = watched_ && IsWindowEnabled(watched_);
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen));
  seen_.push_back(seen);
  // The box's own message loop hands the key to the dialog manager, which
  // presses the default button for Enter and cancels for Esc.
  PostMessageA(box, WM_KEYDOWN, key_, 0);
  PostMessageA(box, WM_KEYUP, key_, 0xC0000000);
}

}  // namespace vek::win32::test
