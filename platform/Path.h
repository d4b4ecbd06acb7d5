#pragma once
// A file-system path as the logic handles it. Folders that the platform
// finds (the executable's own) may have names that 8-bit text cannot hold,
// or be longer than Windows' ANSI functions take; so the platform hands them
// over in its own form, which the logic never looks into. The logic appends
// names of its own (8-bit texts), gives the path back to the platform, and
// shows it to the user as text.

#include <cstddef>
#include <utility>

#include "platform/Owned.h"
#include "platform/Text.h"

namespace vek {

// A name in the platform's own form: bytes that only the platform reads
// (UTF-16 units on Windows), owned and copied whole; nothing compares them.
class PlatformName {
 public:
  PlatformName() = default;
  // A copy of `size` bytes.
  PlatformName(const void* bytes, std::size_t size);
  PlatformName(const PlatformName& other) : PlatformName(other.Bytes(), other.Size()) {}
  PlatformName(PlatformName&& other) noexcept = default;
  PlatformName& operator=(PlatformName other) noexcept {
    bytes_ = std::move(other.bytes_);
    return *this;
  }

  // The bytes (null when empty) and their number.
  const unsigned char* Bytes() const { return bytes_.Data(); }
  std::size_t Size() const { return bytes_.Size(); }

 private:
  Buffer<unsigned char> bytes_;
};

class Path {
 public:
  Path() = default;
  // A path spelled out in 8-bit text, such as the program's fixed folders.
  explicit Path(const Text& text) : shown_(text) {}

  // A folder that the platform found: `platformForm` in its own form (bytes
  // that only the platform reads), `shown` the same folder as the user
  // reads it.
  static Path Found(const PlatformName& platformForm, const Text& shown) {
    Path path(shown);
    path.platformForm_ = platformForm;
    path.foundLength_ = shown.Length();
    return path;
  }

  // This path followed by `name`, 8-bit text.
  friend Path operator+(Path head, const Text& name) {
    head.shown_ += name;
    return head;
  }

  // The path as the user reads it, 8-bit text. Where the platform's names
  // have characters that the text cannot hold, it shows stand-ins for them,
  // so it never goes back to the file system.
  const Text& Shown() const { return shown_; }

  // For the platform: its own form of the found folder (empty for a path
  // spelled out in text), and the 8-bit text that follows it.
  const PlatformName& PlatformForm() const { return platformForm_; }
  Text Spelled() const { return shown_.From(foundLength_); }

 private:
  PlatformName platformForm_;
  Text shown_;
  std::size_t foundLength_ = 0;  // how much of shown_ the found folder is
};

}  // namespace vek
