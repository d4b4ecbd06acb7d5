#pragma once
// Whole-file writes for the staging folder: a file appears under its name
// only when it is complete, also with several instances at work in the same
// folder and after a process was killed mid-write.

#include <cstddef>

#include "platform/System.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// The bytes go to the file in writes of at most this many.
constexpr std::size_t kWriteChunk = 1 << 20;

// Writes `size` bytes to the file at `path`, a full path, as
// System::WriteWholeFile promises: first into a new temporary file
// "vek<process>-<n>.tmp" in the same folder, open without sharing, which
// takes the name while it is still open, so that no other instance can
// ever delete it; a file already under the name is kept. Temporary files
// that nobody holds open (leftovers of a killed writer) are removed first.
// The result carries `shown`, the path as the user reads it. On failure
// nothing is left behind and GetLastError holds the failure's code, kept
// across the clean-up.
WriteResult WriteWholeFile(const WideText& path, const Text& shown, const unsigned char* data,
                           std::size_t size);

}  // namespace vek::win32
