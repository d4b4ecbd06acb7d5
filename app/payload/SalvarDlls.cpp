// The extraction: every payload missing from the staging folder is written
// there from the executable's own resources.

#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"

namespace vek {

namespace {

// The system's error description without its trailing blanks, line breaks
// and periods, as it goes into the middle of a sentence.
Text SemPontuacaoFinal(const Text& descricao) {
  std::size_t fim = descricao.Length();
  while (fim > 0) {
    const char c = descricao[fim - 1];
    if (c != ' ' && c != '\r' && c != '\n' && c != '.') break;
    --fim;
  }
  return descricao.Left(fim);
}

}  // namespace

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
                       SemPontuacaoFinal(gravacao.reason));
      case WriteResult::Outcome::WriteFailed:
        return Failure(Text("Stream write error"));
    }
  }
  return Failure();
}

}  // namespace vek
