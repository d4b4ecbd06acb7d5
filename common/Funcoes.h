#pragma once
// The program's small general-purpose routines: text trimming, an emptiness
// test, line breaks, the test for the maker's own machines, the error message
// box, the show-and-repaint of a panel and the file copy through the shell.
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
// the request cannot be made at all, shows MsgErro with both paths (the
// target as `destinoMostrado`, which is `destino` unless the caller copies
// by way of another name) and the reason, and returns false.
bool CopiaArquivo(System& system, const Path& origem, const Path& destino,
                  const Path& destinoMostrado);
inline bool CopiaArquivo(System& system, const Path& origem, const Path& destino) {
  return CopiaArquivo(system, origem, destino, destino);
}

// The error message box: `mensagem` under kTituloMensagens with the error
// icon; returns when the user closes it.
void MsgErro(System& system, const Text& mensagem);

// Modes of TiraCaracter; a value out of range acts as kTiraAmbos.
enum ModoTira : int { kTiraInicio = 0, kTiraFim = 1, kTiraAmbos = 2, kTiraTodos = 3 };

// Removes the runs of `ch` at the start, at the end, at both ends or every
// `ch` from the short text, as `modo` says.
Text TiraCaracter(const Text& texto, char ch, ModoTira modo);
// The short text without its trailing blanks (character 32 only).
Text TiraEspacosDireita(const Text& texto);
// The short text without its leading and trailing blanks (character 32 only).
Text TiraEspacos(const Text& texto);

// True for nothing, a null, a text that is blank or empty, and a number
// equal to 0 (the truth value false among them).
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
