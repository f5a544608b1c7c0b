#include "Readings.h"

#include "funcoes.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

namespace Readings {

bool tryWholeNumber(const QString& text, int* value)
{
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = p + text.size();
    while (p < end && *p == u' ')
        ++p;
    bool negative = false;
    if (p < end && (*p == u'+' || *p == u'-')) {
        negative = *p == u'-';
        ++p;
    }
    int base = 10;
    if (p < end && (*p == u'$' || *p == u'x' || *p == u'X')) {
        base = 16;
        ++p;
    } else if (end - p >= 2 && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
        base = 16;
        p += 2;
    }
    if (p == end)
        return false;
    // The magnitude may reach 2^31 for a negative number; anything past that fails at once, so the
    // accumulator never overflows however long the digits run.
    const quint64 limit = negative ? quint64(1) << 31 : (quint64(1) << 31) - 1;
    quint64 magnitude = 0;
    for (; p < end; ++p) {
        const int digit = base == 16 ? hexValue(*p) : (isDigit(*p) ? *p - u'0' : -1);
        if (digit < 0)
            return false;
        magnitude = magnitude * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (magnitude > limit)
            return false;
    }
    if (value)
        *value = negative ? static_cast<int>(-static_cast<qint64>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

int wholeNumber(const QString& text, int fallback)
{
    int value = 0;
    return tryWholeNumber(text, &value) ? value : fallback;
}

bool tryDecimal(const QString& text, double* value, const RegionalSettings& regional)
{
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = p + text.size();
    const char16_t separator = regional.decimalSeparator().unicode();

    // An ASCII copy in the C notation from_chars reads, checked character by character on the way.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()));
    while (p < end && *p == u' ')
        ++p;
    if (p < end && (*p == u'+' || *p == u'-')) {
        if (*p == u'-')
            ascii += '-'; // from_chars takes no plus sign
        ++p;
    }
    int digits = 0;
    int leadingDigits = 0;
    // Where the first non-zero digit stands, to tell overflow from underflow should from_chars
    // find the value out of range.
    int firstIntegerIndex = -1;
    int firstFractionPosition = 0;
    bool seenSeparator = false;
    int fractionDigits = 0;
    for (; p < end; ++p) {
        if (isDigit(*p)) {
            ascii += static_cast<char>(*p);
            ++digits;
            if (seenSeparator) {
                ++fractionDigits;
                if (*p != u'0' && firstIntegerIndex < 0 && firstFractionPosition == 0)
                    firstFractionPosition = fractionDigits;
            } else {
                if (*p != u'0' && firstIntegerIndex < 0)
                    firstIntegerIndex = leadingDigits;
                ++leadingDigits;
            }
        } else if (*p == separator && !seenSeparator) {
            ascii += '.';
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    // The power of ten of the first significant digit.
    const long long leadingPower = firstIntegerIndex >= 0 ? leadingDigits - 1 - firstIntegerIndex
                                                          : -static_cast<long long>(firstFractionPosition);
    if (p < end && (*p == u'E' || *p == u'e')) {
        ascii += 'e';
        ++p;
        if (p < end && (*p == u'+' || *p == u'-')) {
            if (*p == u'-')
                ascii += '-';
            ++p;
        }
        const char16_t* exponentStart = p;
        while (p < end && isDigit(*p))
            ascii += static_cast<char>(*p++);
        if (p == exponentStart)
            return false;
    }
    while (p < end && *p == u' ')
        ++p;
    if (p != end)
        return false;

    double parsed = 0;
    const auto res =
        std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed, std::chars_format::general);
    if (res.ptr != ascii.data() + ascii.size())
        return false;
    if (res.ec == std::errc::result_out_of_range) {
        // Out of range is either too large (refused) or too small to tell from zero (a zero); the
        // power of ten of the first significant digit plus the exponent says which.
        const size_t e = ascii.find('e');
        long long exponent = 0;
        if (e != std::string::npos) {
            const char* c = ascii.data() + e + 1;
            const bool negativeExponent = *c == '-';
            if (negativeExponent)
                ++c;
            // A huge exponent saturates; only its sign and rough size matter here.
            for (; c < ascii.data() + ascii.size() && exponent < 100000; ++c)
                exponent = exponent * 10 + (*c - '0');
            if (negativeExponent)
                exponent = -exponent;
        }
        if (leadingPower + exponent > 0)
            return false;
        parsed = ascii.front() == '-' ? -0.0 : 0.0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(parsed))
        return false;
    if (value)
        *value = parsed;
    return true;
}

double decimal(const QString& text, const RegionalSettings& regional)
{
    double value = 0;
    return tryDecimal(text, &value, regional) ? value : 0.0;
}

Amount money(const QString& text, const RegionalSettings& regional)
{
    const QString bare =
        TrocaCar(TrocaCar(text, QStringLiteral("R"), QString()), QStringLiteral("$"), QString());
    return Amount::fromDouble(decimal(bare, regional));
}

} // namespace Readings
