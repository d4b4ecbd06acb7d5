#include "app/payload/PlaceCompleteCopy.h"

#include "common/Funcoes.h"

namespace vek {

bool ColocaArquivo(System& system, const Path& origem, const Path& pasta, const Text& nome,
                   const ResourceBytes& carregado) {
  const Path destino = pasta + nome;
  ScopedLandingFolder pouso(system, pasta);
  ScopedPlainFile original(system, origem);
  // Without a landing folder the shell copies to the name itself; what it
  // put there stays only when it is the payload.
  if (!pouso.Made()) {
    return original.Held() && CopiaArquivo(system, origem, destino) &&
           system.KeepIfSame(destino, carregado);
  }

  const Path copia = pouso.Folder() + nome;
  if (original.Held()) {
    // What the shell's copy gave is judged by its bytes alone, also after a
    // failure that the shell reported (its own window may have said so).
    CopiaArquivo(system, origem, copia, destino);
    switch (system.PlaceIfSame(copia, destino, carregado)) {
      case Placing::Placed:
        return true;
      case Placing::Refused:
        return false;
      case Placing::Differs:
        break;
    }
  }
  // The staged file is not the payload (put there by someone else, left by
  // an older release, damaged), is not a plain file, or is held by another
  // program; or the shell's copy failed or came out short. The target
  // takes files all the same: the copy is made again from the bytes the
  // executable carries.
  return system.WriteWholeFile(copia, carregado.data, carregado.size).outcome ==
             WriteResult::Outcome::Written &&
         system.PlaceIfSame(copia, destino, carregado) == Placing::Placed;
}

}  // namespace vek
