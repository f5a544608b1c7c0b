#include "Notifier.h"

namespace ConversionNotice {

QString text(const QString& company, int count, const QString& suffix)
{
    return QStringLiteral("VANDOR CONVERSOR 11/03/2022 Empresa: ") + company + u' ' + QString::number(count) + suffix;
}

} // namespace ConversionNotice
