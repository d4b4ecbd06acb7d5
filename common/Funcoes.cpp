#include "common/Funcoes.h"

namespace vek {

const char* const kTituloMensagens = "VEK INFORM\xC1TICA";

void MostraPainel(Toolkit& toolkit, ControlId painel, bool mostrar) {
  toolkit.SetVisible(painel, mostrar);
  toolkit.BringToFront(painel);
  toolkit.ProcessMessages();
}

bool CopiaArquivo(System& system, const Path& origem, const Path& destino,
                  const Path& destinoMostrado) {
  int resultado = -1;
  if (Failure falha = system.ShellCopy(origem, destino, &resultado)) {
    MsgErro(system, Text("ERRO AO COPIAR O ARQUIVO.\r\nArq Origem: ") + origem.Shown() + "\r\n" +
                        "Arq Destino: " + destinoMostrado.Shown() + "\r\n" + "Erro: " +
                        falha.Message());
    return false;
  }
  return resultado == 0;
}

void MsgErro(System& system, const Text& mensagem) {
  system.ShowMessageBox(mensagem, kTituloMensagens, kIconError);
}

Text TiraCaracter(const Text& textoOriginal, char ch, ModoTira modo) {
  Text texto = textoOriginal.Left(kTamanhoTextoCurto);
  if (texto.Empty()) return texto;

  if (modo != kTiraInicio) {
    std::size_t fim = texto.Length();
    while (fim > 0 && texto[fim - 1] == ch) --fim;
    texto = texto.Left(fim);
  }
  if (modo != kTiraFim) {
    std::size_t inicio = 0;
    while (inicio < texto.Length() && texto[inicio] == ch) ++inicio;
    texto = texto.From(inicio);
  }
  if (modo == kTiraTodos) {
    Text semCaracter;
    for (std::size_t i = 0; i < texto.Length(); ++i) {
      if (texto[i] != ch) semCaracter += texto[i];
    }
    texto = semCaracter;
  }
  return texto;
}

Text TiraEspacosDireita(const Text& texto) { return TiraCaracter(texto, ' ', kTiraFim); }

Text TiraEspacos(const Text& texto) { return TiraCaracter(texto, ' ', kTiraAmbos); }

bool VazioOuNulo(const Valor& valor) {
  switch (valor.Tipo_()) {
    case Valor::Tipo::Vazio:
    case Valor::Tipo::Nulo:
      return true;
    case Valor::Tipo::Texto:
      return TiraEspacosDireita(valor.Texto()).Empty();
    case Valor::Tipo::Numero:
      return valor.Numero() == 0;
  }
  return false;
}

bool LeNomeMaquina(System& system, Text* nome) {
  char buffer[81];
  unsigned long capacidade = 80;
  if (!system.ComputerName(buffer, &capacidade)) return false;
  buffer[80] = '\0';  // the name is NUL-terminated within the capacity; never read past it
  *nome = Text(buffer);
  return true;
}

bool MaquinaDesenvolvimento(System& system, const Text& nomeInformado) {
  Text nome = nomeInformado;
  if (VazioOuNulo(Valor(nome))) {
    Text lido;
    if (LeNomeMaquina(system, &lido)) nome = TiraEspacos(UpperCase(lido));
  }
  return TiraEspacos(UpperCase(nome)).Left(3) == "VEK";
}

Text QuebraLinhas(int quantidade) {
  Text quebras;
  for (int i = 0; i < quantidade; ++i) quebras += "\r\n";
  return quebras;
}

}  // namespace vek
