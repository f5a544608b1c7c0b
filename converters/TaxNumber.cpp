#include "TaxNumber.h"

#include <QList>

namespace {

QString copy(const QString& text, int position, int count)
{
    return text.mid(position - 1, count);
}

QList<int> digitsOf(const QString& text)
{
    QList<int> digits;
    for (const QChar c : text)
        if (c >= u'0' && c <= u'9')
            digits << c.unicode() - u'0';
    return digits;
}

bool allEqual(const QList<int>& digits)
{
    for (const int d : digits)
        if (d != digits.constFirst())
            return false;
    return true;
}

// The mod-11 check digit of the first `count` digits, weighted from `firstWeight` down to 2 and
// then again from 9 down (the CPF's weights never wrap, the CNPJ's do).
int checkDigit(const QList<int>& digits, int count, int firstWeight)
{
    int sum = 0;
    int weight = firstWeight;
    for (int i = 0; i < count; ++i) {
        sum += digits.at(i) * weight;
        weight = weight == 2 ? 9 : weight - 1;
    }
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

enum class Fault { None, Length, Repeated, CheckDigits };

Fault cpfFault(const QList<int>& d)
{
    if (d.size() != 11)
        return Fault::Length;
    if (allEqual(d))
        return Fault::Repeated;
    if (d.at(9) != checkDigit(d, 9, 10) || d.at(10) != checkDigit(d, 10, 11))
        return Fault::CheckDigits;
    return Fault::None;
}

Fault cnpjFault(const QList<int>& d)
{
    if (d.size() != 14)
        return Fault::Length;
    if (allEqual(d))
        return Fault::Repeated;
    if (d.at(12) != checkDigit(d, 12, 5) || d.at(13) != checkDigit(d, 13, 6))
        return Fault::CheckDigits;
    return Fault::None;
}

QString faultText(const QString& kind, Fault fault, qsizetype digitCount, int expected)
{
    switch (fault) {
    case Fault::None: return {};
    case Fault::Length:
        return digitCount > expected ? QStringLiteral("%1 com mais de %2 dígitos").arg(kind).arg(expected)
                                     : QStringLiteral("%1 com menos de %2 dígitos").arg(kind).arg(expected);
    case Fault::Repeated: return QStringLiteral("%1 com todos os dígitos iguais").arg(kind);
    case Fault::CheckDigits: return QStringLiteral("%1 com dígito verificador inválido").arg(kind);
    }
    return {};
}

} // namespace

namespace TaxNumber {

QString cpfForm(const QString& c)
{
    return copy(c, 1, 3) + u'.' + copy(c, 4, 3) + u'.' + copy(c, 7, 3) + u'-' + copy(c, 10, 2);
}

QString cnpjForm(const QString& n)
{
    return copy(n, 1, 2) + u'.' + copy(n, 3, 3) + u'.' + copy(n, 6, 3) + u'/' + copy(n, 9, 4) + u'-' +
           copy(n, 13, 2);
}

bool cpfValid(const QString& text)
{
    return cpfFault(digitsOf(text)) == Fault::None;
}

bool cnpjValid(const QString& text)
{
    return cnpjFault(digitsOf(text)) == Fault::None;
}

QString cpfProblem(const QString& text)
{
    const QList<int> digits = digitsOf(text);
    return faultText(QStringLiteral("CPF"), cpfFault(digits), digits.size(), 11);
}

QString cnpjProblem(const QString& text)
{
    const QList<int> digits = digitsOf(text);
    return faultText(QStringLiteral("CNPJ"), cnpjFault(digits), digits.size(), 14);
}

} // namespace TaxNumber
