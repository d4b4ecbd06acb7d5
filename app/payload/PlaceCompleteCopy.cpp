#include "app/payload/PlaceCompleteCopy.h"

#include "common/Funcoes.h"

namespace vek {

Failure ColocaArquivo(System& system, const Payload& payload, const Path& pastaDlls,
                      const Path& pastaDestino) {
  ResourceBytes carregado;
  if (Failure falha = RecursoDaDll(system, payload, &carregado)) return falha;
  const Path origem = pastaDlls + payload.fileName;
  const Path destino = pastaDestino + payload.fileName;
  ScopedLandingFolder pouso(system, pastaDestino);
  ScopedPlainFile original(system, origem);
  // Without a landing folder the shell copies to the name itself; what it
  // put there stays only when it is the payload.
  if (!pouso.Made()) {
    if (original.Held() && CopiaArquivo(system, origem, destino)) {
      system.KeepIfSame(destino, carregado);
    }
    return Failure();
  }

  const Path copia = pouso.Folder() + payload.fileName;
  // What the shell's copy gave is judged by its bytes alone, also after a
  // failure that the shell reported (its own window may have said so).
  if (original.Held()) {
    CopiaArquivo(system, origem, copia, destino);
    if (system.PlaceIfSame(copia, destino, carregado) != Placing::Differs) return Failure();
  }
  // The staged file is not the payload (put there by someone else, left by
  // an older release, damaged), is not a plain file, or is held by another
  // program; or the shell's copy failed or came out short. The target
  // takes files all the same: the copy is made again from the bytes the
  // executable carries.
  if (system.WriteWholeFile(copia, carregado.data, carregado.size).outcome ==
      WriteResult::Outcome::Written) {
    system.PlaceIfSame(copia, destino, carregado);
  }
  return Failure();
}

}  // namespace vek
