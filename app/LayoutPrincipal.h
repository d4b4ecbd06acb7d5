#pragma once
// The controls of the main form FrmPrincipal and their layout.

#include "platform/Toolkit.h"

namespace vek {

// The controls of FrmPrincipal, in creation order (ControlesPrincipal.def).
enum ControlePrincipal : ControlId {
#define VEK_CONTROL(name, id) name = id,
#include "app/ControlesPrincipal.def"
#undef VEK_CONTROL
};

// FrmPrincipal: client area 391 x 76, "MS Sans Serif" 11 px, BtnSair as the
// cancel button, and the control table in creation (stacking) order.
extern const FormLayout kLayoutPrincipal;

// The text of PnlAguarde while no payload is being copied.
extern const char* const kTextoAguarde;  // "AGUARDE ..."

}  // namespace vek
