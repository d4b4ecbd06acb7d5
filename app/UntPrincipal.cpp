#include "app/UntPrincipal.h"

#include "app/LayoutPrincipal.h"
#include "app/payload/Payloads.h"
#include "app/payload/PlaceCompleteCopy.h"
#include "app/payload/SalvarDlls.h"
#include "common/Funcoes.h"

namespace vek {

TFrmPrincipal::TFrmPrincipal(System& system, Toolkit& toolkit)
    : system_(system), toolkit_(toolkit) {}

Failure TFrmPrincipal::FormShow() {
  // Before any file operation: under UAC, a standard user's run of a program
  // like this one would otherwise make its folders in a private copy of the
  // system folder and report them made.
  system_.StopVirtualization();

  Text nomeLido;
  nomeMaquina_ = LeNomeMaquina(system_, &nomeLido) ? TiraEspacos(UpperCase(nomeLido))
                                                   : Text("INDEFINIDO");

  pastaDlls_ = system_.ExecutableFolder() + "Dlls\\";

  // The usual path of the system folder stays as it is spelled wherever it
  // names the folder that Windows reports; a Windows installed elsewhere
  // gets the folder it reports.
  const bool wow64 = EhWow64();
  const Text titulo = wow64 ? "VEK DLLS - 64 BITS" : "VEK DLLS - 32 BITS";
  pastaDestino_ = system_.SystemFolder(
      wow64, Path(wow64 ? "C:\\Windows\\SysWOW64\\" : "C:\\Windows\\System32\\"));
  toolkit_.SetFormText(titulo);
  toolkit_.SetApplicationTitle(titulo);

  // The maker's own machines install into a test folder; the title stays.
  if (MaquinaDesenvolvimento(system_, nomeMaquina_)) pastaDestino_ = Path("C:\\DllsTeste\\");

  // The executable's folder exists, so one level is enough. The reason for a
  // failure is not shown: the first extraction will fail on its own words.
  if (!system_.FolderExists(pastaDlls_) && !system_.CreateFolder(pastaDlls_)) {
    toolkit_.ShowInformation(Text("N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r") +
                             pastaDlls_.Shown());
  }
  return Failure();
}

bool TFrmPrincipal::EhWow64() {
  ScopedLibrary kernel32(system_, "kernel32.dll");
  if (!kernel32.Get()) return false;
  void* isWow64Process = system_.FindExport(kernel32.Get(), "IsWow64Process");
  if (!isWow64Process) return false;
  bool wow64 = false;
  return system_.CallIsWow64Process(isWow64Process, &wow64) && wow64;
}

Failure TFrmPrincipal::BtnOkClick() {
  // A visible wait panel means a run is already in progress.
  if (toolkit_.IsVisible(PnlAguarde)) return Failure();

  toolkit_.SetEnabled(BtnOk, false);
  toolkit_.SetEnabled(BtnSair, false);
  MostraPainel(toolkit_, PnlAguarde, true);

  // A failure here ends the run as it stands: the buttons stay disabled and
  // the panel shown, so no further run can start.
  if (Failure falha = SalvarDlls()) return falha;

  bool faltouArquivo = false;
  for (std::size_t i = 0; i < kPayloadCount; ++i) {
    const Payload& payload = kPayloads[i];
    const Path destino = pastaDestino_ + payload.fileName;
    const Text nome = UpperCase(FileNamePart(destino.Shown()));

    toolkit_.SetText(PnlAguarde,
                     DecimalText(static_cast<long>(i + 1)) + " / " +
                         DecimalText(static_cast<long>(kPayloadCount)) + "  [ " + nome + " ]");
    MostraPainel(toolkit_, PnlAguarde, true);
    system_.Pause(1000);

    // An existing target is never replaced, compared or reported. A file
    // under the name now is a complete copy: ours, or another instance's
    // placed meanwhile.
    if (system_.FileExists(destino)) continue;
    if (Failure falha = ColocaArquivo(system_, payload, pastaDlls_, pastaDestino_)) return falha;
    if (system_.FileExists(destino)) continue;

    MostraPainel(toolkit_, PnlAguarde, false);
    system_.ShowMessageBox(Text("N\xE3o foi possivel copiar o arquivo:") + QuebraLinhas(2) + nome,
                           kTituloMensagens, kIconWarning);
    faltouArquivo = true;
    MostraPainel(toolkit_, PnlAguarde, true);
  }

  toolkit_.SetEnabled(BtnOk, true);
  toolkit_.SetEnabled(BtnSair, true);
  toolkit_.SetText(PnlAguarde, kTextoAguarde);
  MostraPainel(toolkit_, PnlAguarde, false);

  if (!faltouArquivo) {
    system_.ShowMessageBox("Arquivos copiados com \xEAxito !", kTituloMensagens, kIconInformation);
    return toolkit_.Press(BtnSair);
  }
  system_.ShowMessageBox(Text("Alguns arquivos n\xE3o foram copiados.") + QuebraLinhas(1) +
                             "Tente executar como administrador.",
                         kTituloMensagens, kIconWarning);
  toolkit_.Focus(BtnOk);
  return Failure();
}

Failure TFrmPrincipal::SalvarDlls() { return vek::SalvarDlls(system_, pastaDlls_); }

void TFrmPrincipal::BtnSairClick() { toolkit_.CloseForm(); }

Failure TFrmPrincipal::OnClick(ControlId button) {
  switch (button) {
    case BtnOk:
      return BtnOkClick();
    case BtnSair:
      BtnSairClick();
      break;
    default:
      break;
  }
  return Failure();
}

}  // namespace vek
