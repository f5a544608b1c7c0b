#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

/// The regional settings the program reads numbers and dates with: the decimal separator and the
/// short date and time layouts of the system locale (LC_ALL, then LC_NUMERIC / LC_TIME, then LANG),
/// read in this one place and shared by the workbook loader and the converters.
class RegionalSettings {
public:
    /// The settings of the process's locale environment.
    static const RegionalSettings& system();

    /// Settings of a named glibc locale ("pt_BR.UTF-8", "C", ...); the C locale's when the name is
    /// not installed.
    static RegionalSettings forLocale(const char* name);

    QChar decimalSeparator() const { return m_decimal; }
    /// strftime layouts of the short date and of the time.
    const QString& dateLayout() const { return m_dateLayout; }
    const QString& timeLayout() const { return m_timeLayout; }

    /// The short date, followed by a blank and the time when the time is not midnight.
    QString formatDateTime(const QDateTime& value) const;
    QString formatDate(const QDate& date) const;
    QString formatTime(const QTime& time) const;

    RegionalSettings(QChar decimal, QString dateLayout, QString timeLayout);

private:
    QChar m_decimal;
    QString m_dateLayout;
    QString m_timeLayout;
};
