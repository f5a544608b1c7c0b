#pragma once

#include <QString>
#include <QtGlobal>

/// A money value with four decimal places, held as a count of ten-thousandths, so that prices and
/// margins are stored exactly whatever the ERP's column type.
class Amount {
public:
    constexpr Amount() = default;
    static constexpr Amount fromTicks(qint64 ticks) { return Amount(ticks); }
    /// Multiplies by 10000 and rounds to the nearest integer, ties to even.
    static Amount fromDouble(double value);

    constexpr qint64 ticks() const { return m_ticks; }
    double toDouble() const { return static_cast<double>(m_ticks) / 10000.0; }
    /// Exact decimal text with a point and four decimals ("33.3333", "-0.5000").
    QString toString() const;

    constexpr bool operator==(const Amount& o) const { return m_ticks == o.m_ticks; }
    constexpr bool operator!=(const Amount& o) const { return m_ticks != o.m_ticks; }
    constexpr bool operator<(const Amount& o) const { return m_ticks < o.m_ticks; }
    constexpr bool operator>(const Amount& o) const { return m_ticks > o.m_ticks; }

private:
    constexpr explicit Amount(qint64 ticks) : m_ticks(ticks) {}
    qint64 m_ticks = 0;
};
