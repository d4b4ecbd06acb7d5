#include "platform/win32/WideText.h"

#include <windows.h>

#include <cstring>
#include <utility>

namespace vek::win32 {

WideText::WideText(const wchar_t* units, std::size_t length) : units_(length + 1) {
  if (length) std::memcpy(units_.Data(), units, length * sizeof(wchar_t));
  units_[length] = L'\0';
  length_ = length;
}

WideText::WideText(Buffer<wchar_t>&& buffer, std::size_t length)
    : units_(std::move(buffer)) {
  if (length >= units_.Size()) return;
  units_[length] = L'\0';
  length_ = length;
}

WideText WideText::Left(std::size_t count) const {
  return WideText(CStr(), count < length_ ? count : length_);
}

WideText WideText::From(std::size_t start) const {
  return start < length_ ? WideText(CStr() + start, length_ - start) : WideText();
}

WideText Join(const WideText& head, const WideText& tail) {
  Buffer<wchar_t> joined(head.Length() + tail.Length() + 1);
  std::memcpy(joined.Data(), head.CStr(), head.Length() * sizeof(wchar_t));
  std::memcpy(joined.Data() + head.Length(), tail.CStr(), tail.Length() * sizeof(wchar_t));
  return WideText(std::move(joined), head.Length() + tail.Length());
}

bool SameName(const WideText& a, const WideText& b) {
  return CompareStringOrdinal(a.CStr(), static_cast<int>(a.Length()), b.CStr(),
                              static_cast<int>(b.Length()), TRUE) == CSTR_EQUAL;
}

WideText Widen(const Text& text) {
  if (text.Empty()) return WideText();
  const int bytes = static_cast<int>(text.Length());
  // Every byte gives at most one UTF-16 unit (a double-byte character gives
  // one for two), so as many units as bytes always suffice.
  Buffer<wchar_t> units(text.Length() + 1);
  const int length = MultiByteToWideChar(CP_ACP, 0, text.CStr(), bytes, units.Data(), bytes);
  return WideText(std::move(units), static_cast<std::size_t>(length));
}

Text Narrow(const wchar_t* units, std::size_t length) {
  if (length == 0) return Text();
  const int count = static_cast<int>(length);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return Text();
  Buffer<char> narrow(static_cast<std::size_t>(bytes));
  WideCharToMultiByte(CP_ACP, 0, units, count, narrow.Data(), bytes, nullptr, nullptr);
  return Text(narrow.Data(), static_cast<std::size_t>(bytes));
}

}  // namespace vek::win32
