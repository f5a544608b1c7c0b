#include "CellDates.h"

#include "Converter.h"
#include "Readings.h"

namespace {

// Copy(p, n) of the layouts: n characters from position p counted from 1, fewer near the end.
QString copy(const QString& text, int position, int count)
{
    return text.mid(position - 1, count);
}

[[noreturn]] void invalid(const QString& cell, int column)
{
    throw CellError(column, cell, QStringLiteral("data inválida"));
}

bool isDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

namespace CellDates {

QString dayMonthYear(const QString& cell, int layout, int column)
{
    const QString slash = QStringLiteral("/");
    switch (layout) {
    case DiaMesAnoCurto: {
        const QString year = copy(cell, 7, 2);
        int yy = 0;
        if (!Readings::tryWholeNumber(year, &yy))
            invalid(cell, column);
        const QString century = yy > 40 ? QStringLiteral("/19") : QStringLiteral("/20");
        return copy(cell, 1, 2) + slash + copy(cell, 4, 2) + century + year;
    }
    case DiaMesAno:
        return copy(cell, 1, 2) + slash + copy(cell, 4, 2) + slash + copy(cell, 7, 4);
    default:
        return copy(cell, 9, 2) + slash + copy(cell, 6, 2) + slash + copy(cell, 1, 4);
    }
}

QDate read(const QString& cell, int layout, int column)
{
    const QString text = dayMonthYear(cell, layout, column);
    // The layouts pick characters by position, so a cell in another form builds a text of another
    // shape; only the exact shape is a date (fromString alone would take a signed year).
    const QStringView v(text);
    if (text.size() != 10 || text.at(2) != u'/' || text.at(5) != u'/' || !isDigits(v.mid(0, 2)) ||
        !isDigits(v.mid(3, 2)) || !isDigits(v.mid(6, 4)))
        invalid(cell, column);
    const QDate date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        invalid(cell, column);
    return date;
}

} // namespace CellDates
