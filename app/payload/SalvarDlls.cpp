// The extraction: every payload missing from the staging folder is written
// there from the executable's own resources.

#include "app/payload/Payloads.h"
#include "platform/Resources.h"

namespace vek {

Failure RecursoDaDll(System& system, const Payload& payload, ResourceBytes* bytes) {
  if (system.FindOwnResource(payload.resourceName, VEK_NAME(VEK_PAYLOAD_TYPE), bytes)) {
    return Failure();
  }
  return Failure(Text("Resource ") + payload.resourceName + " not found");
}

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
