#pragma once

#include "uClassMessageDTO.h"
#include "uConsts.h"

#include <QList>
#include <QString>
#include <memory>
#include <utility>

class ITelegramAPIInterface;

/// The Telegram client as the program holds it: shared, freed with its last holder. Every
/// operation but GetResult answers the client itself, so that calls chain.
using iTelegramAPI = std::shared_ptr<ITelegramAPIInterface>;

/// Link buttons of a message, caption then address, in the order they are shown.
using TTelegramButtons = QList<std::pair<QString, QString>>;

/// A small Telegram Bot API client. Each request is synchronous: it returns once the answer has
/// arrived, a time limit has run out or the request has failed. A client serves one thread at a
/// time.
class ITelegramAPIInterface {
public:
    virtual ~ITelegramAPIInterface() = default;

    /// Stores "bot" + AToken as the token part of the addresses.
    virtual iTelegramAPI SetBotToken(const QString& AToken) = 0;
    /// The chat the messages go to: a chat number or a channel's public name.
    virtual iTelegramAPI SetUserID(const QString& AUserID) = 0;
    /// Posts a file as a document. A file that cannot be read throws to the caller before anything
    /// else happens.
    virtual iTelegramAPI SendFile(const QString& AFileName) = 0;
    /// Posts a text message.
    virtual iTelegramAPI SendMsg(const QString& AMsg) = 0;
    /// Posts a text message with one row of link buttons; no buttons, no request.
    virtual iTelegramAPI SendMsgWithButtons(const QString& AMsg, const TTelegramButtons& AButtons) = 0;
    /// The callback that hears of missing configuration and of failed update requests.
    virtual iTelegramAPI OnError(TProcErrorException AValue) = 0;
    /// Appends the pending updates to AValue; records appended before a failure stay.
    virtual iTelegramAPI GetUpdates(QList<TChatMessageDTO>& AValue) = 0;
    /// The body of the last answer; empty when the last request failed or was not sent.
    virtual QString GetResult() const = 0;
    /// Posts a map location; the coordinates go out as given.
    virtual iTelegramAPI SendLocation(const QString& ALatitude, const QString& ALongitude) = 0;
};
