#include "platform/Text.h"

#include <cstring>
#include <utility>

namespace vek {

Text::Text(const char* s) {
  if (s) Append(s, std::strlen(s));
}

Text::Text(const char* s, std::size_t length) { Append(s, length); }

Text::Text(const Text& other) { Append(other.bytes_.Data(), other.length_); }

Text::Text(Text&& other) noexcept
    : bytes_(std::move(other.bytes_)), length_(std::exchange(other.length_, 0)) {}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    length_ = 0;
    Append(other.bytes_.Data(), other.length_);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  bytes_ = std::move(other.bytes_);
  length_ = std::exchange(other.length_, 0);
  return *this;
}

void Text::Append(const char* bytes, std::size_t count) {
  const std::size_t needed = length_ + count + 1;
  if (needed > bytes_.Size()) {
    std::size_t wanted = bytes_.Size() * 2;
    if (wanted < needed) wanted = needed;
    Buffer<char> grown(wanted);
    if (length_) std::memcpy(grown.Data(), bytes_.Data(), length_);
    // `bytes` may point into this very text (t += t): copy before freeing.
    if (count) std::memcpy(grown.Data() + length_, bytes, count);
    bytes_ = std::move(grown);
  } else if (count) {
    std::memmove(bytes_.Data() + length_, bytes, count);
  }
  length_ += count;
  bytes_[length_] = '\0';
}

Text& Text::operator+=(const Text& tail) {
  Append(tail.bytes_.Data(), tail.length_);
  return *this;
}

Text& Text::operator+=(char c) {
  Append(&c, 1);
  return *this;
}

Text Text::Left(std::size_t count) const {
  return Text(bytes_.Data(), count < length_ ? count : length_);
}

Text Text::From(std::size_t start) const {
  if (start >= length_) return Text();
  return Text(bytes_.Data() + start, length_ - start);
}

bool operator==(const Text& a, const Text& b) {
  return a.length_ == b.length_ &&
         (a.length_ == 0 || std::memcmp(a.bytes_.Data(), b.bytes_.Data(), a.length_) == 0);
}

Text operator+(Text head, const Text& tail) {
  head += tail;
  return head;
}

Text operator+(Text head, char c) {
  head += c;
  return head;
}

Text DecimalText(long n) {
  char digits[24];
  int count = 0;
  // Work on the negative value so that the smallest long needs no special case.
  long rest = n < 0 ? n : -n;
  do {
    digits[count++] = static_cast<char>('0' - rest % 10);
    rest /= 10;
  } while (rest != 0);
  Text result;
  if (n < 0) result += '-';
  while (count > 0) result += digits[--count];
  return result;
}

Text UpperCase(const Text& text) {
  Text result;
  for (std::size_t i = 0; i < text.Length(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    result += c;
  }
  return result;
}

Text WithoutSentenceEnd(const Text& sentence) {
  std::size_t end = sentence.Length();
  while (end > 0) {
    const char c = sentence[end - 1];
    if (c != ' ' && c != '\r' && c != '\n' && c != '.') break;
    --end;
  }
  return sentence.Left(end);
}

Text FileNamePart(const Text& path) { return path.From(FolderLength(path)); }

}  // namespace vek
