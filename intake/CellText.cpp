#include "CellText.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <charconv>
#include <cmath>

namespace CellText {

QString numberText(double value, QChar decimalSeparator)
{
    if (value == 0.0) // also -0.0, which must not show its sign
        return QStringLiteral("0");
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");

    // to_chars rounds correctly from the exact binary value; 15 significant digits is what Excel
    // keeps, so anything printed past them would be noise of the double.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const char* p = buf;
    const char* const end = res.ptr;
    const bool negative = *p == '-';
    if (negative)
        ++p;

    char digits[16];
    int count = 0;
    digits[count++] = *p++;
    if (*p == '.') {
        ++p;
        while (p < end && *p != 'e' && count < 15)
            digits[count++] = *p++;
    }
    while (p < end && *p != 'e')
        ++p;
    ++p; // 'e'
    const bool negativeExponent = p < end && *p == '-';
    ++p; // sign
    int exponent = 0;
    while (p < end)
        exponent = exponent * 10 + (*p++ - '0');
    if (negativeExponent)
        exponent = -exponent;
    while (count > 1 && digits[count - 1] == '0')
        --count;

    char16_t out[48];
    int k = 0;
    const char16_t sep = decimalSeparator.unicode();
    if (negative)
        out[k++] = u'-';
    if (exponent >= -5 && exponent <= 14) {
        if (exponent >= 0) {
            for (int i = 0; i <= exponent; ++i)
                out[k++] = i < count ? char16_t(digits[i]) : u'0';
            if (count > exponent + 1) {
                out[k++] = sep;
                for (int i = exponent + 1; i < count; ++i)
                    out[k++] = char16_t(digits[i]);
            }
        } else {
            out[k++] = u'0';
            out[k++] = sep;
            for (int i = 0; i < -exponent - 1; ++i)
                out[k++] = u'0';
            for (int i = 0; i < count; ++i)
                out[k++] = char16_t(digits[i]);
        }
    } else {
        out[k++] = char16_t(digits[0]);
        if (count > 1) {
            out[k++] = sep;
            for (int i = 1; i < count; ++i)
                out[k++] = char16_t(digits[i]);
        }
        out[k++] = u'E';
        if (exponent < 0) {
            out[k++] = u'-';
            exponent = -exponent;
        }
        char expDigits[8];
        int e = 0;
        do {
            expDigits[e++] = char('0' + exponent % 10);
            exponent /= 10;
        } while (exponent > 0);
        while (e > 0)
            out[k++] = char16_t(expDigits[--e]);
    }
    return QString(reinterpret_cast<const QChar*>(out), k);
}

QString currencyText(double value, QChar decimalSeparator)
{
    // Past 1e15 four decimals are beyond the 15 digits shown anyway, and the fixed form would not
    // fit the buffer.
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        char buf[48];
        const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
        double rounded = value;
        if (res.ec == std::errc() && std::from_chars(buf, res.ptr, rounded).ec == std::errc())
            value = rounded;
    }
    return numberText(value, decimalSeparator);
}

QString dateTimeText(int year, int month, int day, int hour, int minute, int second,
                     const RegionalSettings& regional)
{
    const QTime time(hour, minute, second);
    if (year == 1900 && month == 2 && day == 29) {
        // QDate refuses the day Lotus invented; 2000 is a leap year whose digits show nowhere else
        // in a date of 29 February, so its text can be borrowed.
        QString text = regional.formatDateTime(QDateTime(QDate(2000, 2, 29), time, Qt::UTC));
        text.replace(QStringLiteral("2000"), QStringLiteral("1900"));
        return text;
    }
    // UTC so that a local daylight-saving gap cannot move the wall-clock time.
    return regional.formatDateTime(QDateTime(QDate(year, month, day), time, Qt::UTC));
}

std::optional<QString> serialDateTimeText(double serial, bool date1904, const RegionalSettings& regional)
{
    if (!std::isfinite(serial) || serial < 0.0 || serial >= 2958466.0)
        return std::nullopt;
    const long long total = std::llround(serial * 86400.0);
    const long long days = total / 86400;
    const int seconds = int(total % 86400);
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int second = seconds % 60;

    QDate date;
    if (days == 0) {
        // A bare time. Excel automation hands it out on its day zero, 1899-12-30, in either system.
        date = QDate(1899, 12, 30);
    } else if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else if (days < 60) {
        date = QDate(1899, 12, 31).addDays(days);
    } else if (days == 60) {
        return dateTimeText(1900, 2, 29, hour, minute, second, regional);
    } else {
        // From 1900-03-01 on the phantom 29 February is behind us: one day less than the count.
        date = QDate(1899, 12, 30).addDays(days);
    }
    if (!date.isValid() || date.year() > 9999)
        return std::nullopt;
    return dateTimeText(date.year(), date.month(), date.day(), hour, minute, second, regional);
}

QString valueText(double value, NumberFormatKind kind, bool date1904, const RegionalSettings& regional)
{
    switch (kind) {
    case NumberFormatKind::Currency:
        return currencyText(value, regional.decimalSeparator());
    case NumberFormatKind::Date:
        if (auto text = serialDateTimeText(value, date1904, regional))
            return *std::move(text);
        break;
    case NumberFormatKind::General:
        break;
    }
    return numberText(value, regional.decimalSeparator());
}

QString booleanText(bool value) { return value ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO"); }

namespace {

// Lengths of the UTF-8 currency signs that need no quoting in a format code.
int currencySignAt(std::string_view s, size_t i)
{
    const std::string_view rest = s.substr(i);
    if (!rest.empty() && rest[0] == '$')
        return 1;
    for (std::string_view sign : {std::string_view("\xE2\x82\xAC"),   // euro
                                  std::string_view("\xC2\xA3"),       // pound
                                  std::string_view("\xC2\xA5")}) {    // yen
        if (rest.substr(0, sign.size()) == sign)
            return int(sign.size());
    }
    return 0;
}

bool containsCurrencySign(std::string_view s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (currencySignAt(s, i) > 0)
            return true;
    }
    return false;
}

size_t utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

bool isElapsedTimeToken(std::string_view inside)
{
    if (inside.empty())
        return false;
    const char first = char(inside[0] | 0x20);
    if (first != 'h' && first != 'm' && first != 's')
        return false;
    for (char c : inside) {
        if (char(c | 0x20) != first)
            return false;
    }
    return true;
}

} // namespace

NumberFormatKind classifyFormatCode(std::string_view code)
{
    bool date = false;
    bool currency = false;
    size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        switch (c) {
        case '"': {
            const size_t close = code.find('"', i + 1);
            const std::string_view quoted =
                code.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
            if (containsCurrencySign(quoted))
                currency = true;
            i = close == std::string_view::npos ? code.size() : close + 1;
            continue;
        }
        case '\\':
        case '_':
        case '*': {
            // The next character is a literal (or, for _ and *, only sets a width or a fill).
            if (i + 1 < code.size()) {
                if (c == '\\' && currencySignAt(code, i + 1) > 0)
                    currency = true;
                i += 1 + utf8Length(static_cast<unsigned char>(code[i + 1]));
            } else {
                ++i;
            }
            continue;
        }
        case '[': {
            const size_t close = code.find(']', i + 1);
            const std::string_view inside =
                code.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
            if (!inside.empty() && inside[0] == '$') {
                // [$R$-416] names a currency; [$-416] only a locale.
                const std::string_view sign = inside.substr(1, inside.find('-') == std::string_view::npos
                                                                    ? std::string_view::npos
                                                                    : inside.find('-') - 1);
                if (!sign.empty())
                    currency = true;
            } else if (isElapsedTimeToken(inside)) {
                date = true;
            }
            i = close == std::string_view::npos ? code.size() : close + 1;
            continue;
        }
        default:
            break;
        }
        if (const int sign = currencySignAt(code, i)) {
            currency = true;
            i += size_t(sign);
            continue;
        }
        switch (c) {
        case 'd': case 'D': case 'm': case 'M': case 'y': case 'Y':
        case 'h': case 'H': case 's': case 'S':
            date = true;
            break;
        default:
            break;
        }
        i += utf8Length(static_cast<unsigned char>(c));
    }
    if (date)
        return NumberFormatKind::Date;
    return currency ? NumberFormatKind::Currency : NumberFormatKind::General;
}

NumberFormatKind builtinFormatKind(int numFmtId)
{
    if ((numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 45 && numFmtId <= 47))
        return NumberFormatKind::Date;
    // The East Asian editions reserve these for their own date and time layouts; files from them
    // may leave the code out just like 14.
    if ((numFmtId >= 27 && numFmtId <= 36) || (numFmtId >= 50 && numFmtId <= 58))
        return NumberFormatKind::Date;
    if ((numFmtId >= 5 && numFmtId <= 8) || (numFmtId >= 41 && numFmtId <= 44))
        return NumberFormatKind::Currency;
    return NumberFormatKind::General;
}

} // namespace CellText
