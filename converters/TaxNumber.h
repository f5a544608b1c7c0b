#pragma once

#include <QString>

/// The punctuated forms of Brazilian tax numbers.
namespace TaxNumber {

/// 999.999.999-99 from the first 11 characters of `digits`.
QString cpfForm(const QString& digits);
/// 99.999.999/9999-99 from the first 14 characters of `digits`.
QString cnpjForm(const QString& digits);

} // namespace TaxNumber
