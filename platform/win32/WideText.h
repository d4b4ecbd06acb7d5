#pragma once
// UTF-16 text for the wide Windows functions, and its conversions from and
// to the program's 8-bit texts, which Windows reads in the ANSI code page.

#include <cstddef>

#include "platform/Owned.h"
#include "platform/Text.h"

namespace vek::win32 {

// An owned, NUL-terminated UTF-16 string; move-only.
class WideText {
 public:
  WideText() = default;
  // A copy of `length` units.
  WideText(const wchar_t* units, std::size_t length);
  // Takes `buffer`, whose first `length` units are the text; there must be
  // room for a NUL after them.
  WideText(Buffer<wchar_t>&& buffer, std::size_t length);

  const wchar_t* CStr() const { return units_.Data() ? units_.Data() : L""; }
  std::size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }
  wchar_t operator[](std::size_t index) const { return units_[index]; }
  // The first `count` units (all of them when the text is shorter).
  WideText Left(std::size_t count) const;
  // The units from `start` on (none when start is past the end).
  WideText From(std::size_t start) const;

 private:
  Buffer<wchar_t> units_;
  std::size_t length_ = 0;
};

// `head` followed by `tail`.
WideText Join(const WideText& head, const WideText& tail);

// True when both are the same name as the file system compares names:
// unit by unit, without regard to case.
bool SameName(const WideText& a, const WideText& b);

// The 8-bit text as Windows reads it: converted from the ANSI code page.
WideText Widen(const Text& text);

// The 8-bit text of `length` UTF-16 units, converted to the ANSI code page
// as Windows converts names for its ANSI functions: a character that the
// code page cannot hold becomes a stand-in ('?', or a look-alike letter).
Text Narrow(const wchar_t* units, std::size_t length);
inline Text Narrow(const WideText& text) { return Narrow(text.CStr(), text.Length()); }

}  // namespace vek::win32
