// The extraction: every payload missing from the staging folder is written
// there from the executable's own resources.

#include "app/payload/SalvarDlls.h"

#include "app/payload/Payloads.h"

namespace vek {

Failure SalvarDlls(System& system, const Path& pastaDlls) {
  for (const Payload& payload : kPayloads) {
    const Path caminho = pastaDlls + payload.fileName;
    // An existing staged file is used as it is, whatever its content.
    if (system.FileExists(caminho)) continue;

    ResourceBytes recurso;
    if (Failure falha = RecursoDaDll(system, payload, &recurso)) return falha;
    const WriteResult gravacao = system.WriteWholeFile(caminho, recurso.data, recurso.size);
    switch (gravacao.outcome) {
      case WriteResult::Outcome::Written:
      case WriteResult::Outcome::KeptExisting:
        break;
      case WriteResult::Outcome::CannotCreate:
        return Failure(Text("Cannot create file \"") + gravacao.fullPath + "\". " +
                       WithoutSentenceEnd(gravacao.reason));
      case WriteResult::Outcome::WriteFailed:
        return Failure(Text("Stream write error"));
    }
  }
  return Failure();
}

}  // namespace vek
