#include "DatabaseRows.h"

#include "Database.h"

#include <QDate>
#include <QSqlQuery>
#include <QStringDecoder>

void seed(const QString& path, const QString& sql, const QVariantList& values)
{
    Database db(path);
    db.execute(sql, values);
}

void seed(const QString& path, const QStringList& statements)
{
    Database db(path);
    for (const QString& sql : statements)
        db.execute(sql);
}

int scalar(const QString& path, const QString& sql)
{
    Database db(path);
    QSqlQuery q(db.connection());
    q.exec(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

QString shown(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("<null>");
    if (v.metaType().id() == QMetaType::QByteArray) {
        // Text blobs read as their text; binary ones (pictures) in base64, so that no two differ
        // only in bytes a text decoding would blur.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(v.toByteArray());
        return utf8.hasError() ? QString::fromLatin1(v.toByteArray().toBase64()) : text;
    }
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    return v.toString();
}
