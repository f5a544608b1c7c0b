#pragma once

#include <QString>

/// The Bot API address with its "{BOT_TOKEN}" placeholder: the public endpoint, unless the
/// environment variable CONVERSOR_TELEGRAM_URL gives another base (tests, a relay). Read at every
/// request, so a changed environment takes effect at once.
QString cTelegramBaseUrl();

/// The channel the conversion notices go to.
extern const QString cTelegram_Chat_ID;

/// The deployment's bot token, fixed when the program is built; never to be shown or logged.
extern const QString cTelegram_BotToken;
