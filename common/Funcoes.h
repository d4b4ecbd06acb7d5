#pragma once
// The program's small general-purpose routines: text trimming, an emptiness
// test, line breaks, the test for the maker's own machines, the error message
// box, the show-and-repaint of a panel, the file copy through the shell and
// the placing of a payload's whole copy under its name.
// They keep no state between calls.

#include "common/Valor.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/Toolkit.h"

namespace vek {

// Caption of every message box of the program's own.
extern const char* const kTituloMensagens;  // "VEK INFORMÁTICA"

// The text routines below work on short texts: a longer input is cut to its
// first kTamanhoTextoCurto characters before it is processed.
constexpr std::size_t kTamanhoTextoCurto = 255;

// Shows or hides `painel`, brings it in front of its siblings (in both
// cases), then dispatches all pending window events so that the change and
// any new panel text are painted before the caller goes on.
void MostraPainel(Toolkit& toolkit, ControlId painel, bool mostrar);

// Copies `origem` to `destino` through the shell, answering yes to any
// question it asks (an existing target is replaced) and letting it show its
// own progress and error windows. True when the shell reported success. When
// the request cannot be made at all, shows MsgErro with both paths and the
// reason, and returns false.
bool CopiaArquivo(System& system, const Path& origem, const Path& destino);

// Places the payload `nome` in `pasta` so that the name only ever holds a
// complete copy of `carregado`, the bytes the executable carries for it.
// The shell's copy of `origem` (CopiaArquivo, with its own windows) goes
// into a landing folder inside `pasta` and takes its name there only when
// the shell reported success and the copy holds exactly those bytes; a copy
// that differs is made again from `carregado`, without a window of its own.
// A file or folder already under that name is never replaced, and whatever
// did not complete is removed. `pasta` is never created here. Where no
// landing folder can be made (no rights in `pasta`, or no such folder), the
// shell copies to the name itself, as CopiaArquivo does, so that its own
// error window tells why, and what it put there is removed unless it holds
// those bytes. True when the payload was put in place.
bool ColocaArquivo(System& system, const Path& origem, const Path& pasta, const Text& nome,
                   const ResourceBytes& carregado);

// The error message box: `mensagem` under kTituloMensagens with the error
// icon; returns when the user closes it.
void MsgErro(System& system, const Text& mensagem);

// Modes of TiraCaracter.
enum ModoTira { kTiraInicio = 0, kTiraFim = 1, kTiraAmbos = 2, kTiraTodos = 3 };

// Removes the runs of `ch` at the start (mode 0), at the end (1), at both
// ends (2, also any mode out of range) or every `ch` (3) from the short text.
Text TiraCaracter(const Text& texto, char ch, int modo);
// The short text without its trailing blanks (character 32 only).
Text TiraEspacosDireita(const Text& texto);
// The short text without its leading and trailing blanks (character 32 only).
Text TiraEspacos(const Text& texto);

// True for nothing, a null, a text that is blank or empty, a number equal to
// 0 and the truth value false.
bool VazioOuNulo(const Valor& valor);

// Reads the machine name as start-up does (an 81-character buffer, capacity
// 80). True with the raw name in *nome; false when it cannot be read, with
// *nome left as it was.
bool LeNomeMaquina(System& system, Text* nome);

// True when the machine name begins with the maker's letters "VEK" (after
// trimming blanks and upper-casing). A blank name is replaced by the machine's
// own name first, when it can be read.
bool MaquinaDesenvolvimento(System& system, const Text& nome);

// `quantidade` carriage return + line feed pairs; empty for 0 or less.
Text QuebraLinhas(int quantidade);

}  // namespace vek
