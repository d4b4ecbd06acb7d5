#pragma once
// A value that may hold nothing, a null, an 8-bit text or a number: what
// VazioOuNulo accepts. Dates are numbers of days, and a truth value is the
// number 1 or 0, as they compare with numbers.

#include <utility>

#include "platform/Text.h"

namespace vek {

class Valor {
 public:
  enum class Tipo { Vazio, Nulo, Texto, Numero };

  static Valor Vazio() { return Valor(Tipo::Vazio); }
  static Valor Nulo() { return Valor(Tipo::Nulo); }
  explicit Valor(Text texto) : tipo_(Tipo::Texto), texto_(std::move(texto)) {}
  explicit Valor(const char* texto) : Valor(Text(texto)) {}
  explicit Valor(double numero) : tipo_(Tipo::Numero), numero_(numero) {}
  explicit Valor(int numero) : Valor(static_cast<double>(numero)) {}
  explicit Valor(bool logico) : Valor(logico ? 1.0 : 0.0) {}

  Tipo Tipo_() const { return tipo_; }
  const Text& Texto() const { return texto_; }
  double Numero() const { return numero_; }

 private:
  explicit Valor(Tipo tipo) : tipo_(tipo) {}

  Tipo tipo_;
  Text texto_;
  double numero_ = 0;
};

}  // namespace vek
