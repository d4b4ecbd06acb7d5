#pragma once
// How a payload reaches the system folder: its name there only ever holds a
// complete copy of the bytes that the executable carries for it.

#include "app/payload/Payloads.h"
#include "platform/Failure.h"
#include "platform/Path.h"
#include "platform/System.h"

namespace vek {

// Places `payload`, staged in `pastaDlls`, in `pastaDestino`, so that its
// name there only ever holds a complete copy of the bytes the executable
// carries for it, flushed to the disk. The shell copies the staged file
// (CopiaArquivo, with its own windows) only when it is a plain file, held
// unchanged while it is copied (System::HoldPlainFile): never a folder or
// what a link leads to. Its copy goes into a landing folder inside
// `pastaDestino` and takes its name there only when it holds exactly those
// bytes. Otherwise (the staged file is not the payload, not a plain file,
// or cannot be held; the shell's copy failed or came out short) the copy is
// made again from the carried bytes, without a window of its own. A file
// or folder already under that name is never replaced, and whatever did
// not complete is removed. `pastaDestino` is never created here. Where no
// landing folder can be made (no rights there, or no such folder), the
// shell copies a plain staged file to the name itself, as CopiaArquivo
// does, so that its own error window tells why, and what it put there is
// removed unless it holds those bytes. Whether the payload arrived is the
// caller's to see, under its name. Fails only when the executable does not
// carry the payload ("Resource %s not found"), before anything is done.
Failure ColocaArquivo(System& system, const Payload& payload, const Path& pastaDlls,
                      const Path& pastaDestino);

}  // namespace vek
