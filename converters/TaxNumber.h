#pragma once

#include <QString>

/// The punctuated forms of Brazilian tax numbers, and their check digits.
namespace TaxNumber {

/// 999.999.999-99 from the first 11 characters of `digits`.
QString cpfForm(const QString& digits);
/// 99.999.999/9999-99 from the first 14 characters of `digits`.
QString cnpjForm(const QString& digits);

/// True when the digits of `text` (punctuation ignored) are 11, not all the same, and end in the
/// two mod-11 check digits of the first nine.
bool cpfValid(const QString& text);
/// True when the digits of `text` (punctuation ignored) are 14, not all the same, and end in the
/// two mod-11 check digits of the first twelve (weights 5..2, 9..2 and 6..2, 9..2).
bool cnpjValid(const QString& text);

/// What is wrong with a CPF, in the words of the run's report ("CPF com dígito verificador
/// inválido"); empty when `cpfValid`.
QString cpfProblem(const QString& text);
/// What is wrong with a CNPJ, as `cpfProblem`.
QString cnpjProblem(const QString& text);

} // namespace TaxNumber
