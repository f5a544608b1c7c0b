#pragma once

#include "Notifier.h"
#include "uTelegramAPIInterfaces.h"

/// Sends the conversion notice as a Telegram message through a client; every failure is dropped.
class TelegramNotifier : public Notifier {
public:
    explicit TelegramNotifier(iTelegramAPI client) : m_client(std::move(client)) {}
    void send(const QString& text) override;

    /// A client set up as the program's own: error callback, the notices' channel and the built-in
    /// token, in that order.
    static iTelegramAPI configuredClient(TProcErrorException onError);

private:
    iTelegramAPI m_client;
};
