#pragma once
// How a payload reaches the system folder: its name there only ever holds a
// complete copy of the bytes that the executable carries for it.

#include "platform/Path.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace vek {

// Places the payload `nome` in `pasta` so that the name only ever holds a
// complete copy of `carregado`, the bytes the executable carries for it,
// flushed to the disk. The shell copies `origem` (CopiaArquivo, with its
// own windows) only when it is a plain file, held unchanged while it is
// copied (System::HoldPlainFile): never a folder or what a link leads to.
// Its copy goes into a landing folder inside `pasta` and takes its name
// there only when it holds exactly those bytes. Otherwise (the staged file
// is not the payload, not a plain file, or cannot be held; the shell's copy
// failed or came out short) the copy is made again from `carregado`,
// without a window of its own. A file or folder already under that name is
// never replaced, and whatever did not complete is removed. `pasta` is
// never created here. Where no landing folder can be made (no rights in
// `pasta`, or no such folder), the shell copies a plain `origem` to the
// name itself, as CopiaArquivo does, so that its own error window tells
// why, and what it put there is removed unless it holds those bytes. True
// when the payload was put in place.
bool ColocaArquivo(System& system, const Path& origem, const Path& pasta, const Text& nome,
                   const ResourceBytes& carregado);

}  // namespace vek
