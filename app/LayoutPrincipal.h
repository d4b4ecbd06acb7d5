#pragma once
// The controls of the main form FrmPrincipal and their layout.

#include "platform/Toolkit.h"

namespace vek {

// The controls of FrmPrincipal, in creation order. The build reads these
// ids for the test harness, which finds the controls by them: keep one
// "Name = id," per line.
enum ControlePrincipal : ControlId {
  Panel1 = 1,
  Bevel1 = 2,
  Bevel2 = 3,
  PnlAguarde = 4,
  BtnOk = 5,
  BtnSair = 6,
  Panel2 = 7,
  Image1 = 8,
};

// FrmPrincipal: client area 391 x 76, "MS Sans Serif" 11 px, BtnSair as the
// cancel button, and the control table in creation (stacking) order.
extern const FormLayout kLayoutPrincipal;

// The text of PnlAguarde while no payload is being copied.
extern const char* const kTextoAguarde;  // "AGUARDE ..."

}  // namespace vek
