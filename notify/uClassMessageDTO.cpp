#include "uClassMessageDTO.h"

#include "uConsts.h"

#include <QJsonValue>
#include <limits>

namespace {

bool named(const QString& member, QStringView property)
{
    return QStringView(member).compare(property, Qt::CaseInsensitive) == 0;
}

[[noreturn]] void doesNotFit(const QString& member, const char* expected)
{
    throw TTelegramError(QStringLiteral("O membro \"%1\" da resposta do Telegram não é %2.")
                             .arg(member, QString::fromUtf8(expected)));
}

qint64 integer(const QJsonValue& value, const QString& member, qint64 low, qint64 high)
{
    // toInteger answers its default for anything that is no whole qint64; two different defaults
    // tell that case apart from a real value.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (!value.isDouble() || a != b || a < low || a > high)
        doesNotFit(member, high == std::numeric_limits<qint32>::max() ? "um número inteiro de 32 bits"
                                                                      : "um número inteiro de 64 bits");
    return a;
}

qint32 int32(const QJsonValue& value, const QString& member)
{
    return static_cast<qint32>(
        integer(value, member, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

qint64 int64(const QJsonValue& value, const QString& member)
{
    return integer(value, member, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

QString text(const QJsonValue& value, const QString& member)
{
    if (!value.isString())
        doesNotFit(member, "um texto");
    return value.toString();
}

bool boolean(const QJsonValue& value, const QString& member)
{
    if (!value.isBool())
        doesNotFit(member, "um valor lógico");
    return value.toBool();
}

QJsonObject object(const QJsonValue& value, const QString& member)
{
    if (!value.isObject())
        doesNotFit(member, "um objeto");
    return value.toObject();
}

} // namespace

TFromDTO TFromDTO::FromJson(const QJsonObject& AJson)
{
    TFromDTO r;
    for (auto it = AJson.begin(); it != AJson.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (v.isNull())
            continue;
        if (named(key, u"First_Name"))
            r.FFirst_Name = text(v, key);
        else if (named(key, u"Id"))
            r.FId = int64(v, key);
        else if (named(key, u"Is_Bot"))
            r.FIs_Bot = boolean(v, key);
        else if (named(key, u"Language_Code"))
            r.FLanguage_Code = text(v, key);
        else if (named(key, u"Last_Name"))
            r.FLast_Name = text(v, key);
        else if (named(key, u"Username"))
            r.FUsername = text(v, key);
    }
    return r;
}

TChatDTO TChatDTO::FromJson(const QJsonObject& AJson)
{
    TChatDTO r;
    for (auto it = AJson.begin(); it != AJson.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (v.isNull())
            continue;
        if (named(key, u"First_Name"))
            r.FFirst_Name = text(v, key);
        else if (named(key, u"Id"))
            r.FId = int64(v, key);
        else if (named(key, u"Last_Name"))
            r.FLast_Name = text(v, key);
        else if (named(key, u"Type"))
            r.FType = text(v, key);
        else if (named(key, u"Username"))
            r.FUsername = text(v, key);
    }
    return r;
}

TMessageDTO TMessageDTO::FromJson(const QJsonObject& AJson)
{
    TMessageDTO r;
    for (auto it = AJson.begin(); it != AJson.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (v.isNull())
            continue;
        if (named(key, u"Chat"))
            r.FChat = TChatDTO::FromJson(object(v, key));
        else if (named(key, u"Date"))
            r.FDate = int32(v, key);
        else if (named(key, u"From"))
            r.FFrom = TFromDTO::FromJson(object(v, key));
        else if (named(key, u"Message_Id"))
            r.FMessage_Id = int32(v, key);
        else if (named(key, u"Text"))
            r.FText = text(v, key);
    }
    return r;
}

TChatMessageDTO TChatMessageDTO::FromJson(const QJsonObject& AJson)
{
    TChatMessageDTO r;
    for (auto it = AJson.begin(); it != AJson.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (v.isNull())
            continue;
        if (named(key, u"Message"))
            r.FMessage = TMessageDTO::FromJson(object(v, key));
        else if (named(key, u"Update_Id"))
            r.FUpdate_Id = int32(v, key);
    }
    return r;
}
