#include "app/LayoutPrincipal.h"

#include "platform/Resources.h"

namespace vek {

const char* const kTextoAguarde = "AGUARDE ...";

namespace {

constexpr FontStyle kFonteDoForm = {nullptr, 0, false};
constexpr FontStyle kFonteBotao = {"Arial", 12, true};
constexpr FontStyle kFonteAguarde = {"Arial", 15, true};

// PnlAguarde comes before the buttons, so it lies beneath them until it is
// brought to the front; when shown it covers both buttons and both frames.
const ControlLayout kControles[] = {
    // id          kind                        parent      left top  w    h    text           font           colour         inner          outer           border visible image
    {Panel1,     ControlKind::Panel,         kNoControl, 0,   0,   391, 76, nullptr,       kFonteDoForm,  Colour::Face,  Bevel::Raised, Bevel::Lowered, 1,     true,   nullptr},
    {Bevel1,     ControlKind::BevelFrame,    Panel1,     80,  9,   153, 57, nullptr,       kFonteDoForm,  Colour::Face,  Bevel::None,   Bevel::Lowered, 0,     true,   nullptr},
    {Bevel2,     ControlKind::BevelFrame,    Panel1,     232, 9,   153, 57, nullptr,       kFonteDoForm,  Colour::Face,  Bevel::None,   Bevel::Lowered, 0,     true,   nullptr},
    {PnlAguarde, ControlKind::Panel,         Panel1,     78,  9,   307, 57, kTextoAguarde, kFonteAguarde, Colour::White, Bevel::Raised, Bevel::Lowered, 0,     false,  nullptr},
    {BtnOk,      ControlKind::PictureButton, Panel1,     82,  11,  149, 53, "INSTALAR",    kFonteBotao,   Colour::Face,  Bevel::None,   Bevel::None,    0,     true,   VEK_NAME(VEK_GLYPH_OK)},
    {BtnSair,    ControlKind::PictureButton, Panel1,     234, 11,  149, 53, "SAIR (ESC)",  kFonteBotao,   Colour::Face,  Bevel::None,   Bevel::None,    0,     true,   VEK_NAME(VEK_GLYPH_SAIR)},
    {Panel2,     ControlKind::Panel,         Panel1,     6,   9,   67,  57, nullptr,       kFonteDoForm,  Colour::White, Bevel::Raised, Bevel::Lowered, 0,     true,   nullptr},
    {Image1,     ControlKind::Picture,       Panel2,     6,   2,   VEK_LOGO_SIDE, VEK_LOGO_SIDE, nullptr, kFonteDoForm, Colour::White, Bevel::None, Bevel::None, 0, true, VEK_NAME(VEK_LOGO)},
};

}  // namespace

const FormLayout kLayoutPrincipal = {
    391, 76, {"MS Sans Serif", 11, false}, kControles, sizeof kControles / sizeof kControles[0], BtnSair,
};

}  // namespace vek
