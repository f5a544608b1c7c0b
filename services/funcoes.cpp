#include "funcoes.h"

#include "Cp1252.h"

#include <charconv>
#include <cmath>
#include <string>

QString SisNome_Empresa;

namespace {

constexpr qsizetype kAlltrimLimit = 255;

// Works on code points, so that a format character outside the BMP (a tag character, say) goes
// the same way as one inside it.
bool isTrimmed(char32_t c)
{
    if (c < 33 || c == 127 || (c >= 0x80 && c <= 0x9F))
        return true;
    return QChar::isSpace(c) || QChar::category(c) == QChar::Other_Format;
}

// The code point starting at `i` and how many UTF-16 units it takes.
char32_t codePointAt(const QString& s, qsizetype i, int* units)
{
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, s.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

// The code point ending just before `end` and how many UTF-16 units it takes.
char32_t codePointBefore(const QString& s, qsizetype end, int* units)
{
    const QChar c = s.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && s.at(end - 2).isHighSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(s.at(end - 2), c);
    }
    *units = 1;
    return c.unicode();
}

} // namespace

QString Alltrim(const QString& Search)
{
    qsizetype begin = 0;
    while (begin < Search.size()) {
        int units = 1;
        if (!isTrimmed(codePointAt(Search, begin, &units)))
            break;
        begin += units;
    }
    qsizetype end = qMin(Search.size(), begin + kAlltrimLimit);
    // The limit counts UTF-16 units; cutting a surrogate pair in two would leave half a character.
    if (end < Search.size() && end > begin && Search.at(end - 1).isHighSurrogate() &&
        Search.at(end).isLowSurrogate())
        --end;
    while (end > begin) {
        int units = 1;
        if (!isTrimmed(codePointBefore(Search, end, &units)))
            break;
        end -= units;
    }
    return Search.mid(begin, end - begin);
}

QString OnlyNumber(const QString& AValue)
{
    QString out;
    out.reserve(AValue.size());
    for (const QChar c : AValue)
        if (CharIsNum(c))
            out += c;
    return out;
}

bool CharIsNum(QChar C)
{
    return C >= u'0' && C <= u'9';
}

QString ZeroEsquerda(const QString& vZero, int vQtd)
{
    return vZero.rightJustified(vQtd, u'0');
}

QString StrZero(double xValue, int xWidth, int xDecimals)
{
    const int decimals = qBound(0, xDecimals, 100);
    QString text;
    bool negative = false;
    if (std::isfinite(xValue)) {
        // The binary value's decimal expansion to 2d+20 places is enough to tell an exact tie from
        // a value merely close to one (a double near a tie differs from it within about 17 + 0.7d
        // places), so the rounding below is half away from zero on the true value.
        const int precision = 2 * decimals + 20;
        std::string digits(330 + static_cast<size_t>(precision), '\0');
        const auto res = std::to_chars(digits.data(), digits.data() + digits.size(), std::fabs(xValue),
                                       std::chars_format::fixed, precision);
        digits.resize(static_cast<size_t>(res.ptr - digits.data()));
        const size_t point = digits.find('.');
        std::string kept = digits.substr(0, point + 1 + static_cast<size_t>(decimals));
        if (digits[point + 1 + static_cast<size_t>(decimals)] >= '5') {
            // Carry the rounding up through the kept digits, skipping the point.
            size_t i = kept.size();
            bool carry = true;
            while (carry && i > 0) {
                --i;
                if (kept[i] == '.')
                    continue;
                if (kept[i] == '9') {
                    kept[i] = '0';
                } else {
                    ++kept[i];
                    carry = false;
                }
            }
            if (carry)
                kept.insert(kept.begin(), '1');
        }
        if (decimals == 0)
            kept.pop_back(); // the point
        text = QString::fromLatin1(kept.data(), static_cast<qsizetype>(kept.size()));
        // A value that rounds to zero shows no sign: "-000" would read as a negative number.
        negative = xValue < 0 && kept.find_first_not_of("0.") != std::string::npos;
    } else {
        text = QStringLiteral("0");
    }
    if (negative)
        return u'-' + Right(Replicate(QStringLiteral("0"), xWidth - 1) + text, xWidth - 1);
    return Right(Replicate(QStringLiteral("0"), xWidth) + text, xWidth);
}

QString Right(const QString& pString, int xWidth)
{
    if (xWidth <= 0)
        return {};
    return pString.right(xWidth);
}

QString Replicate(const QString& pString, int xWidth)
{
    if (xWidth <= 0)
        return {};
    return pString.repeated(xWidth);
}

QString TrocaCar(const QString& VSCpo, const QString& VSVar1, const QString& VSVar2)
{
    if (VSVar1.size() != 1)
        return VSCpo;
    QString out = VSCpo;
    out.replace(VSVar1.at(0), VSVar2);
    return out;
}

QString RetiraAspaSimples(const QString& Texto)
{
    QString out = Texto;
    out.replace(u'\'', u' ');
    return out;
}

QString UpperCase(const QString& text)
{
    QString upper = text.toUpper();
    // The ERP's texts live in Windows-1252. A letter whose capital the page lacks (µ, whose capital
    // is the Greek Μ) keeps its own case rather than making the database refuse the row.
    if (Cp1252::canEncode(upper) || !Cp1252::canEncode(text))
        return upper;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const QString capital = QString(c).toUpper();
        out += Cp1252::canEncode(capital) ? capital : QString(c);
    }
    return out;
}
