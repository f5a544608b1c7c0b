#pragma once

#include <QString>

#include <stdexcept>

/// Base of every failure the program reports to its user. It carries the text shown in the
/// window's error box or on the command line's standard error, in the user's language.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message);
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

/// A configuration file that is missing, unreadable or malformed.
class ConfigError : public UserError {
public:
    using UserError::UserError;
};
