#pragma once
// Answers the modal boxes that the code under test opens on this thread, so
// that it runs without a person: a thread timer looks for dialog windows,
// notes what each one shows and then presses a key in it.

#include <windows.h>

#include <string>
#include <vector>

namespace vek::win32::test {

struct SeenBox {
  std::string caption;
  std::vector<std::string> texts;    // the non-empty static texts, in order
  std::vector<std::string> buttons;  // the button captions, in order
  RECT frame = {};
  HWND owner = nullptr;
  bool watchedEnabled = true;  // whether `watched` was enabled while it was open
};

class BoxAnswerer {
 public:
  // Answers every box with `key` (VK_RETURN, VK_ESCAPE), as a person
  // would press it. While a box is open it notes whether `watched` is
  // enabled. Only one answerer at a time.
  explicit BoxAnswerer(WPARAM key = VK_RETURN, HWND watched = nullptr);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const std::vector<SeenBox>& Seen() const { return seen_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK Visit(HWND window, LPARAM);
  void Answer(HWND box);

  WPARAM key_;
  HWND watched_;
  UINT_PTR timer_;
  std::vector<HWND> answered_;
  std::vector<SeenBox> seen_;
};

}  // namespace vek::win32::test
