#include "Amount.h"

#include <cmath>
#include <limits>

Amount Amount::fromDouble(double value)
{
    const double scaled = value * 10000.0;
    if (!std::isfinite(scaled))
        return Amount();
    // nearbyint rounds to nearest with ties to even in the default rounding mode.
    const double r = std::nearbyint(scaled);
    if (r >= 9.2e18)
        return Amount(std::numeric_limits<qint64>::max());
    if (r <= -9.2e18)
        return Amount(std::numeric_limits<qint64>::min());
    return Amount(static_cast<qint64>(r));
}

QString Amount::toString() const
{
    const bool negative = m_ticks < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(m_ticks) : quint64(m_ticks);
    const QString fraction = QString::number(magnitude % 10000).rightJustified(4, u'0');
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10000) + u'.' + fraction;
}
