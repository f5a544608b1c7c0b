#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// The records of a getUpdates answer. Each is filled from its Telegram object by member name,
// without regard to case; members without a property are ignored, a null member leaves the
// default, and a value of the wrong kind or out of range throws TTelegramError. Nested records are
// held by value, so each record owns them.

/// The sender of a message.
class TFromDTO {
public:
    /// The record of a Telegram "User" object.
    static TFromDTO FromJson(const QJsonObject& AJson);

    const QString& First_Name() const { return FFirst_Name; }
    void SetFirst_Name(const QString& AValue) { FFirst_Name = AValue; }
    /// User numbers of the Bot API go beyond 32 bits.
    qint64 Id() const { return FId; }
    void SetId(qint64 AValue) { FId = AValue; }
    bool Is_Bot() const { return FIs_Bot; }
    void SetIs_Bot(bool AValue) { FIs_Bot = AValue; }
    const QString& Language_Code() const { return FLanguage_Code; }
    void SetLanguage_Code(const QString& AValue) { FLanguage_Code = AValue; }
    const QString& Last_Name() const { return FLast_Name; }
    void SetLast_Name(const QString& AValue) { FLast_Name = AValue; }
    const QString& Username() const { return FUsername; }
    void SetUsername(const QString& AValue) { FUsername = AValue; }

private:
    QString FFirst_Name;
    qint64 FId = 0;
    bool FIs_Bot = false;
    QString FLanguage_Code;
    QString FLast_Name;
    QString FUsername;
};

/// The chat a message belongs to.
class TChatDTO {
public:
    /// The record of a Telegram "Chat" object.
    static TChatDTO FromJson(const QJsonObject& AJson);

    const QString& First_Name() const { return FFirst_Name; }
    void SetFirst_Name(const QString& AValue) { FFirst_Name = AValue; }
    /// Chat numbers of channels and groups go beyond 32 bits (-100...).
    qint64 Id() const { return FId; }
    void SetId(qint64 AValue) { FId = AValue; }
    const QString& Last_Name() const { return FLast_Name; }
    void SetLast_Name(const QString& AValue) { FLast_Name = AValue; }
    const QString& Type() const { return FType; }
    void SetType(const QString& AValue) { FType = AValue; }
    const QString& Username() const { return FUsername; }
    void SetUsername(const QString& AValue) { FUsername = AValue; }

private:
    QString FFirst_Name;
    qint64 FId = 0;
    QString FLast_Name;
    QString FType;
    QString FUsername;
};

/// One message of an update.
class TMessageDTO {
public:
    /// The record of a Telegram "Message" object.
    static TMessageDTO FromJson(const QJsonObject& AJson);

    const TChatDTO& Chat() const { return FChat; }
    TChatDTO& Chat() { return FChat; }
    /// Seconds since 1970-01-01, as sent.
    qint32 Date() const { return FDate; }
    void SetDate(qint32 AValue) { FDate = AValue; }
    const TFromDTO& From() const { return FFrom; }
    TFromDTO& From() { return FFrom; }
    qint32 Message_Id() const { return FMessage_Id; }
    void SetMessage_Id(qint32 AValue) { FMessage_Id = AValue; }
    const QString& Text() const { return FText; }
    void SetText(const QString& AValue) { FText = AValue; }

private:
    TChatDTO FChat;
    qint32 FDate = 0;
    TFromDTO FFrom;
    qint32 FMessage_Id = 0;
    QString FText;
};

/// One element of the "result" array of getUpdates.
class TChatMessageDTO {
public:
    /// The record of a Telegram "Update" object.
    static TChatMessageDTO FromJson(const QJsonObject& AJson);

    const TMessageDTO& Message() const { return FMessage; }
    TMessageDTO& Message() { return FMessage; }
    qint32 Update_Id() const { return FUpdate_Id; }
    void SetUpdate_Id(qint32 AValue) { FUpdate_Id = AValue; }

private:
    TMessageDTO FMessage;
    qint32 FUpdate_Id = 0;
};
