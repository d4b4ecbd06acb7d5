#include "app/UntPrincipal.h"

#include "app/LayoutPrincipal.h"
#include "common/Funcoes.h"

namespace vek {

TFrmPrincipal::TFrmPrincipal(System& system, Toolkit& toolkit)
    : system_(system), toolkit_(toolkit) {}

Failure TFrmPrincipal::FormShow() {
  Text nomeLido;
  nomeMaquina_ = LeNomeMaquina(system_, &nomeLido) ? TiraEspacos(UpperCase(nomeLido))
                                                   : Text("INDEFINIDO");

  pastaDlls_ = FolderPart(system_.ExecutablePath()) + "Dlls\\";

  Text titulo;
  if (EhWow64()) {
    titulo = "VEK DLLS - 64 BITS";
    pastaDestino_ = "C:\\Windows\\SysWOW64\\";
  } else {
    titulo = "VEK DLLS - 32 BITS";
    pastaDestino_ = "C:\\Windows\\System32\\";
  }
  toolkit_.SetFormText(titulo);
  toolkit_.SetApplicationTitle(titulo);

  // The maker's own machines install into a test folder; the title stays.
  if (MaquinaDesenvolvimento(system_, nomeMaquina_)) pastaDestino_ = "C:\\DllsTeste\\";

  // The executable's folder exists, so one level is enough. The reason for a
  // failure is not shown: the first extraction will fail on its own words.
  if (!system_.FolderExists(pastaDlls_) && !system_.CreateFolder(pastaDlls_)) {
    toolkit_.ShowInformation(Text("N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r") + pastaDlls_);
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

Failure TFrmPrincipal::BtnOkClick() { return Failure(); }

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
