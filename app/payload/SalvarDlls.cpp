// The extraction: every payload missing from the staging folder is written
// there from the executable's own resources.

#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"

namespace vek {

Failure TFrmPrincipal::SalvarDlls() {
  for (const Payload& payload : kPayloads) {
    const Path caminho = pastaDlls_ + payload.fileName;
    // An existing staged file is used as it is, whatever its content.
    if (system_.FileExists(caminho)) continue;

    ResourceBytes recurso;
    if (!system_.FindOwnResource(payload.resourceName, kTipoRecursoDll, &recurso)) {
      return Failure(Text("Resource ") + payload.resourceName + " not found");
    }
    const WriteResult gravacao = system_.WriteWholeFile(caminho, recurso.data, recurso.size);
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
