#pragma once
// The main window FrmPrincipal: the preparation when it is shown, the
// bitness probe, and its two buttons.

#include "platform/Failure.h"
#include "platform/Path.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/Toolkit.h"

namespace vek {

class TFrmPrincipal : public FormEvents {
 public:
  // Borrows both; they must outlive the form.
  TFrmPrincipal(System& system, Toolkit& toolkit);

  // The show event: sets NomeMaquina, PastaDlls and PastaDestino (the
  // system folder that Windows reports for this bitness, spelled as usual
  // where it is the usual one), titles the window and the application by
  // the platform's bitness, and creates the staging folder (telling the
  // user, in the information dialog, when it cannot). Never fails.
  Failure FormShow();

  // True when this 32-bit process runs on 64-bit Windows. IsWow64Process is
  // looked up at run time; when it is missing or fails, false.
  bool EhWow64();

  // The install button: the installation run. Extracts the payloads, then
  // copies every one that the target folder lacks, with progress on the
  // wait panel, a message for each file that did not arrive, and a summary.
  // After a complete success it presses the exit button. A Failure from the
  // extraction ends the run at once, leaving both buttons disabled and the
  // panel shown.
  Failure BtnOkClick();

  // The extraction into PastaDlls (SalvarDlls of the payload unit, where
  // its failures are listed).
  Failure SalvarDlls();

  // The exit button: closes the main window, which ends the program.
  void BtnSairClick();

  Failure OnShow() override { return FormShow(); }
  Failure OnClick(ControlId button) override;

  // The program-wide values: empty until FormShow has run, then set for the
  // rest of the program. PastaDlls as the user reads it.
  const Text& NomeMaquina() const { return nomeMaquina_; }
  const Text& PastaDlls() const { return pastaDlls_.Shown(); }
  const Text& PastaDestino() const { return pastaDestino_.Shown(); }

 private:
  System& system_;
  Toolkit& toolkit_;
  Text nomeMaquina_;   // machine name, upper case, trimmed; "INDEFINIDO" when unreadable
  Path pastaDlls_;     // staging folder: the executable's folder + "Dlls\"
  Path pastaDestino_;  // target folder
};

}  // namespace vek
