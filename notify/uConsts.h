#pragma once

#include "UserError.h"

#include <functional>

/// A failure of the Telegram client handed to its error callback. Its text never holds the bot
/// token.
class TTelegramError : public UserError {
public:
    using UserError::UserError;
};

/// The Telegram client's error callback. It runs on the thread that called the client, inside the
/// operation; the error only lives for the call.
using TProcErrorException = std::function<void(const UserError& AExcept)>;
