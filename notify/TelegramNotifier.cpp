#include "TelegramNotifier.h"

#include "TelegramConfig.h"
#include "uTelegramAPI.h"

void TelegramNotifier::send(const QString& text)
{
    try {
        if (m_client)
            m_client->SendMsg(text);
    } catch (...) {
        // A notice never changes how a run ends.
    }
}

iTelegramAPI TelegramNotifier::configuredClient(TProcErrorException onError)
{
    return TTelegramAPI::New()
        ->OnError(std::move(onError))
        ->SetUserID(cTelegram_Chat_ID)
        ->SetBotToken(cTelegram_BotToken);
}
