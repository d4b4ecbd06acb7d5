#pragma once
// Everything the program needs from Windows, put together for the entry:
// COM for the window thread, the application object, the Windows services
// and the window toolkit. Includes no Windows header, so that the entry
// stays plain C++.

#include "platform/Owned.h"
#include "platform/System.h"
#include "platform/Toolkit.h"

namespace vek::win32 {

class Platform {
 public:
  // Restricts the library search to the system folder before anything else,
  // then initialises COM (single-threaded apartment) and the application object.
  Platform();
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  System& Services();
  Toolkit& Tools();

  // Creates the main form from `layout`, runs its show event, shows it and
  // runs the event loop until it closes; returns the process's exit code, 0.
  // When the form cannot be created, shows why in the standard error box
  // and returns 1 at once, without the show event or the event loop.
  // Borrows both for the duration of the call.
  int Run(const FormLayout& layout, FormEvents& events);

 private:
  struct Parts;
  Unique<Parts> parts_;
};

}  // namespace vek::win32
