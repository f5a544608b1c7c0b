#include "TaxNumber.h"

namespace {

QString copy(const QString& text, int position, int count)
{
    return text.mid(position - 1, count);
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

} // namespace TaxNumber
