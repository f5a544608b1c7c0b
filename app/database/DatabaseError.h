#pragma once

#include "UserError.h"

/// A failure reported by the database; the message carries the database's own text.
class DatabaseError : public UserError {
public:
    using UserError::UserError;
};

/// The database could not be reached or opened.
class ConnectionError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};
