#pragma once
// The program's unexpected failures (a payload that cannot be found, a staging
// file that cannot be written). They are not handled where they occur: they
// end the running event handler and reach the standard error box, and the
// program goes on in the state the handler left.
//
// The Windows build is made without C++ exceptions (they would cost more than
// the whole program), so such a failure travels as a value: every routine
// that can fail this way returns a Failure, and the caller returns it on.

#include <utility>

#include "platform/Text.h"

namespace vek {

class [[nodiscard]] Failure {
 public:
  // No failure.
  Failure() = default;
  // A failure with the runtime's message, e.g. "Stream write error".
  explicit Failure(Text message) : message_(std::move(message)), raised_(true) {}

  bool Raised() const { return raised_; }
  explicit operator bool() const { return raised_; }
  const Text& Message() const { return message_; }

 private:
  Text message_;
  bool raised_ = false;
};

}  // namespace vek
