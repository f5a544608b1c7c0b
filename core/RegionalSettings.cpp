#include "RegionalSettings.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace {

RegionalSettings fromLocale(locale_t loc)
{
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char* date = nl_langinfo_l(D_FMT, loc);
    const char* time = nl_langinfo_l(T_FMT, loc);
    const QString radixText = QString::fromUtf8(radix ? radix : ".");
    return RegionalSettings(radixText.isEmpty() ? QChar(u'.') : radixText.at(0),
                            QString::fromUtf8(date && *date ? date : "%m/%d/%y"),
                            QString::fromUtf8(time && *time ? time : "%H:%M:%S"));
}

QString twoDigits(int v) { return QString::number(v).rightJustified(2, u'0'); }

// A small strftime for the fields locales use in D_FMT and T_FMT.
QString expand(const QString& layout, const QDate& d, const QTime& t)
{
    QString out;
    out.reserve(layout.size() + 8);
    for (qsizetype i = 0; i < layout.size(); ++i) {
        const QChar c = layout.at(i);
        if (c != u'%' || i + 1 >= layout.size()) {
            out += c;
            continue;
        }
        QChar f = layout.at(++i);
        if ((f == u'E' || f == u'O') && i + 1 < layout.size())
            f = layout.at(++i);
        switch (f.unicode()) {
        case 'd': out += twoDigits(d.day()); break;
        case 'e': out += QString::number(d.day()).rightJustified(2, u' '); break;
        case 'm': out += twoDigits(d.month()); break;
        case 'y': out += twoDigits(d.year() % 100); break;
        case 'Y': out += QString::number(d.year()); break;
        case 'C': out += twoDigits(d.year() / 100); break;
        case 'D': out += expand(QStringLiteral("%m/%d/%y"), d, t); break;
        case 'F': out += expand(QStringLiteral("%Y-%m-%d"), d, t); break;
        case 'H': out += twoDigits(t.hour()); break;
        case 'k': out += QString::number(t.hour()).rightJustified(2, u' '); break;
        case 'I': out += twoDigits(t.hour() % 12 == 0 ? 12 : t.hour() % 12); break;
        case 'l': out += QString::number(t.hour() % 12 == 0 ? 12 : t.hour() % 12).rightJustified(2, u' '); break;
        case 'M': out += twoDigits(t.minute()); break;
        case 'S': out += twoDigits(t.second()); break;
        case 'p': out += t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"); break;
        case 'P': out += t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"); break;
        case 'r': out += expand(QStringLiteral("%I:%M:%S %p"), d, t); break;
        case 'R': out += expand(QStringLiteral("%H:%M"), d, t); break;
        case 'T': out += expand(QStringLiteral("%H:%M:%S"), d, t); break;
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case '%': out += u'%'; break;
        default: out += u'%'; out += f; break;
        }
    }
    return out;
}

} // namespace

RegionalSettings::RegionalSettings(QChar decimal, QString dateLayout, QString timeLayout)
    : m_decimal(decimal), m_dateLayout(std::move(dateLayout)), m_timeLayout(std::move(timeLayout))
{
}

const RegionalSettings& RegionalSettings::system()
{
    static const RegionalSettings settings = [] {
        // newlocale with "" resolves the environment the POSIX way (LC_ALL over LC_* over LANG)
        // without touching the process's own locale, which Qt relies on.
        locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", nullptr);
        if (!loc)
            loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "C", nullptr);
        RegionalSettings s = fromLocale(loc);
        freelocale(loc);
        return s;
    }();
    return settings;
}

RegionalSettings RegionalSettings::forLocale(const char* name)
{
    locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, name, nullptr);
    if (!loc)
        loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "C", nullptr);
    RegionalSettings s = fromLocale(loc);
    freelocale(loc);
    return s;
}

QString RegionalSettings::formatDate(const QDate& date) const { return expand(m_dateLayout, date, QTime(0, 0)); }

QString RegionalSettings::formatTime(const QTime& time) const { return expand(m_timeLayout, QDate(), time); }

QString RegionalSettings::formatDateTime(const QDateTime& value) const
{
    const QTime t = value.time();
    if (t == QTime(0, 0))
        return formatDate(value.date());
    return formatDate(value.date()) + u' ' + formatTime(t);
}
