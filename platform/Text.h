#pragma once
// The program's one string type: 8-bit text in Windows code page 1252.
//
// The Windows build links no C++ standard library (std::string alone would
// triple the size of the executable), so the text type is our own: a plain
// owning byte buffer, always NUL-terminated, of any length.

#include <cstddef>

#include "platform/Owned.h"

namespace vek {

class Text {
 public:
  Text() = default;
  // Copies the bytes up to the first NUL; a null pointer gives an empty text.
  Text(const char* s);  // NOLINT(google-explicit-constructor): literals read naturally
  // Copies exactly `length` bytes (which may include NULs).
  Text(const char* s, std::size_t length);
  Text(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;

  std::size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }
  // Always a valid NUL-terminated string, also when empty; owned by the text.
  const char* CStr() const { return bytes_.Data() ? bytes_.Data() : ""; }
  // The byte at `index`, which must be below Length().
  char operator[](std::size_t index) const { return bytes_[index]; }
  char Last() const { return bytes_[length_ - 1]; }

  Text& operator+=(const Text& tail);
  Text& operator+=(char c);

  // The first `count` bytes (all of them when the text is shorter).
  Text Left(std::size_t count) const;
  // The bytes from `start` on (empty when start is past the end).
  Text From(std::size_t start) const;

  friend bool operator==(const Text& a, const Text& b);
  friend bool operator!=(const Text& a, const Text& b) { return !(a == b); }

 private:
  void Append(const char* bytes, std::size_t count);

  Buffer<char> bytes_;  // the room, with the NUL; empty while nothing was ever stored
  std::size_t length_ = 0;
};

Text operator+(Text head, const Text& tail);
Text operator+(Text head, char c);

// Decimal digits of `n`, with a minus sign when negative.
Text DecimalText(long n);

// Upper case of the letters a to z only; accented letters stay as they are.
Text UpperCase(const Text& text);

// A sentence without its trailing blanks, line breaks and periods: the
// system's description of an error as it goes into the middle of a message.
Text WithoutSentenceEnd(const Text& sentence);

// The length of the folder part of `path`, any text with Length() and
// operator[] (8-bit or UTF-16): up to and including its last backslash or
// colon; 0 when there is neither.
template <typename Chars>
std::size_t FolderLength(const Chars& path) {
  std::size_t length = path.Length();
  while (length > 0 && path[length - 1] != '\\' && path[length - 1] != ':') --length;
  return length;
}

// The folder part of a path, 8-bit or UTF-16: everything up to and
// including the last backslash or colon; empty when there is neither.
template <typename Chars>
Chars FolderPart(const Chars& path) {
  return path.Left(FolderLength(path));
}
// The file-name part of a path: what follows its folder part.
Text FileNamePart(const Text& path);

}  // namespace vek
