// The extraction: every payload missing from the staging folder is written
// there from the executable's own resources.

#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"
#include "platform/Resources.h"

namespace vek {

Text NomeDoRecurso(const char* fileName) {
  Text nome;
  for (const char* c = fileName; *c; ++c) {
    if (*c == '.' || *c == '-') continue;
    nome += (*c >= 'A' && *c <= 'Z') ? static_cast<char>(*c - 'A' + 'a') : *c;
  }
  return nome;
}

Failure RecursoDaDll(System& system, const char* fileName, ResourceBytes* bytes) {
  const Text nome = NomeDoRecurso(fileName);
  if (system.FindOwnResource(nome.CStr(), VEK_NAME(VEK_PAYLOAD_TYPE), bytes)) return Failure();
  return Failure(Text("Resource ") + nome + " not found");
}

Failure TFrmPrincipal::SalvarDlls() {
  for (const char* nome : kPayloads) {
    const Path caminho = pastaDlls_ + nome;
    // An existing staged file is used as it is, whatever its content.
    if (system_.FileExists(caminho)) continue;

    ResourceBytes recurso;
    if (Failure falha = RecursoDaDll(system_, nome, &recurso)) return falha;
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
