#include <gtest/gtest.h>

#include "common/Funcoes.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

TEST(TiraCaracter, EachModeTrimsItsOwnPart) {
  const Text texto = "  ab  c  ";
  EXPECT_EQ("ab  c  ", Str(TiraCaracter(texto, ' ', kTiraInicio)));
  EXPECT_EQ("  ab  c", Str(TiraCaracter(texto, ' ', kTiraFim)));
  EXPECT_EQ("ab  c", Str(TiraCaracter(texto, ' ', kTiraAmbos)));
  EXPECT_EQ("abc", Str(TiraCaracter(texto, ' ', kTiraTodos)));
  EXPECT_EQ("ab  c", Str(TiraCaracter(texto, ' ', ModoTira{7})));  // unknown modes act as mode 2
  EXPECT_EQ("ab  c", Str(TiraCaracter(texto, ' ', ModoTira{-1})));
  EXPECT_EQ("1.5", Str(TiraCaracter("001.500", '0', kTiraAmbos)));
}

TEST(TiraCaracter, TextsMadeOnlyOfTheCharacterBecomeEmpty) {
  for (ModoTira modo : {kTiraInicio, kTiraFim, kTiraAmbos, kTiraTodos}) {
    EXPECT_EQ("", Str(TiraCaracter("     ", ' ', modo))) << "mode " << modo;
    EXPECT_EQ("", Str(TiraCaracter("", ' ', modo))) << "mode " << modo;
  }
}

TEST(TiraCaracter, WorksOnTheFirst255CharactersOnly) {
  const Text longo = Text(std::string(300, 'x').c_str());
  EXPECT_EQ(255u, TiraEspacos(longo).Length());
  // The cut comes first: blanks beyond position 255 do not count as trailing.
  const Text comCauda = Text((std::string(250, 'x') + "    y" + std::string(45, ' ')).c_str());
  EXPECT_EQ(std::string(250, 'x') + "    y", Str(TiraEspacosDireita(comCauda)));
  const Text cortadoNoBranco = Text((std::string(253, 'x') + "   y").c_str());
  EXPECT_EQ(std::string(253, 'x'), Str(TiraEspacosDireita(cortadoNoBranco)));
}

TEST(TiraEspacos, RemovesOnlyTheBlankCharacter) {
  EXPECT_EQ("\tvek\r\n", Str(TiraEspacos("  \tvek\r\n  ")));
  EXPECT_EQ("  vek", Str(TiraEspacosDireita("  vek   ")));
}

TEST(VazioOuNulo, CountsBlankTextsZeroAndNothingAsEmpty) {
  EXPECT_TRUE(VazioOuNulo(Valor::Vazio()));
  EXPECT_TRUE(VazioOuNulo(Valor::Nulo()));
  EXPECT_TRUE(VazioOuNulo(Valor("")));
  EXPECT_TRUE(VazioOuNulo(Valor("   ")));
  EXPECT_FALSE(VazioOuNulo(Valor("0")));
  EXPECT_FALSE(VazioOuNulo(Valor("\t")));
  EXPECT_TRUE(VazioOuNulo(Valor(0)));
  EXPECT_TRUE(VazioOuNulo(Valor(0.0)));
  EXPECT_FALSE(VazioOuNulo(Valor(0.5)));
  EXPECT_TRUE(VazioOuNulo(Valor(false)));
  EXPECT_FALSE(VazioOuNulo(Valor(true)));
}

TEST(MaquinaDesenvolvimento, RecognisesTheMakersMachines) {
  FakePlatform fake;
  EXPECT_TRUE(MaquinaDesenvolvimento(fake, "vek-pc"));
  EXPECT_TRUE(MaquinaDesenvolvimento(fake, " VEKTOR"));
  EXPECT_TRUE(MaquinaDesenvolvimento(fake, "VEK"));
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, "VE"));
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, "XVEK"));
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, "INDEFINIDO"));
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, "\tVEK"));
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, "ve k"));
  EXPECT_TRUE(fake.computerNameCapacities.empty()) << "a given name is used as it is";
}

TEST(MaquinaDesenvolvimento, ABlankNameIsReplacedByTheMachinesOwn) {
  FakePlatform fake;
  fake.computerName = " vek-note ";
  EXPECT_TRUE(MaquinaDesenvolvimento(fake, "   "));
  EXPECT_EQ(std::vector<unsigned long>{80}, fake.computerNameCapacities);

  fake.computerName = "PC-ESCRITORIO";
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, ""));

  fake.computerName.reset();  // unreadable
  EXPECT_FALSE(MaquinaDesenvolvimento(fake, ""));
}

TEST(QuebraLinhas, MakesThatManyLineBreaks) {
  EXPECT_EQ("\r\n\r\n", Str(QuebraLinhas(2)));
  EXPECT_EQ("\r\n", Str(QuebraLinhas(1)));
  EXPECT_EQ("", Str(QuebraLinhas(0)));
  EXPECT_EQ("", Str(QuebraLinhas(-3)));
}

TEST(MsgErro, ShowsTheTextUnderTheMakersCaptionWithTheErrorIcon) {
  FakePlatform fake;
  MsgErro(fake, "falhou\r\nde novo");
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ("16 [VEK INFORM\xC1TICA] falhou\r\nde novo", fake.boxes[0].text);
}

TEST(MostraPainel, LeavesThePanelAsAskedOnTopAndAlreadyPainted) {
  // From either state, beneath another control, and with the window not
  // yet painted: the user sees the panel as asked when the call returns.
  for (const bool antes : {false, true}) {
    for (const bool mostrar : {false, true}) {
      FakePlatform fake;
      fake.visible[4] = antes;
      fake.top = 5;
      fake.unpainted = true;
      MostraPainel(fake, 4, mostrar);
      EXPECT_EQ(mostrar, fake.visible[4]) << antes << mostrar;
      EXPECT_EQ(4, fake.top) << antes << mostrar;
      EXPECT_FALSE(fake.unpainted) << antes << mostrar;
    }
  }
}

// True only when the shell reports success; a box of its own only when the
// request cannot be made at all, naming both paths and the reason.
TEST(CopiaArquivo, TrueOnlyWhenTheShellReportsSuccess) {
  const std::string kErro =
      "16 [VEK INFORM\xC1TICA] ERRO AO COPIAR O ARQUIVO.\r\n"
      "Arq Origem: C:\\Setup\\Dlls\\a.dll\r\nArq Destino: C:\\Windows\\System32\\a.dll\r\n"
      "Erro: Out of memory";
  const struct {
    const char* scenario;
    const char* source;
    int shellResult;
    const char* failure;  // the request cannot be made
    bool copied;
    std::vector<std::string> boxes;
  } cases[] = {
      {"copied", "a.dll", 0, nullptr, true, {}},
      {"cancelled by the user", "a.dll", 0x75, nullptr, false, {}},
      {"a missing source (the shell may show its own window)", "nada.dll", 0, nullptr, false, {}},
      {"a request that cannot be made", "a.dll", 0, "Out of memory", false, {kErro}},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.files = {{"C:\\Setup\\Dlls\\a.dll", "MZ"}};
    fake.shellCopyResult = c.shellResult;
    if (c.failure) fake.shellCopyFailure = c.failure;
    const std::string source = std::string("C:\\Setup\\Dlls\\") + c.source;
    const std::string target = std::string("C:\\Windows\\System32\\") + c.source;
    EXPECT_EQ(c.copied, CopiaArquivo(fake, P(source), P(target))) << c.scenario;
    EXPECT_EQ(c.copied, fake.files.count(target) > 0) << c.scenario;
    EXPECT_EQ(1u, fake.shellCopies.size()) << c.scenario;
    EXPECT_EQ(c.boxes, fake.BoxTexts()) << c.scenario;
  }
}

}  // namespace vek::test
