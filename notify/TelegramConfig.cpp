#include "TelegramConfig.h"

#ifndef CONVERSOR_TELEGRAM_BOT_TOKEN
#error "CONVERSOR_TELEGRAM_BOT_TOKEN must be defined by the build"
#endif

QString cTelegramBaseUrl()
{
    const QString overridden = qEnvironmentVariable("CONVERSOR_TELEGRAM_URL");
    if (!overridden.isEmpty())
        return overridden;
    return QStringLiteral("https://api.telegram.org/{BOT_TOKEN}");
}

const QString cTelegram_Chat_ID = QStringLiteral("@redurevez");

const QString cTelegram_BotToken = QStringLiteral(CONVERSOR_TELEGRAM_BOT_TOKEN);
