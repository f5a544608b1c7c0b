#pragma once

#include <QString>

#include <stdexcept>

/// Why a reader gave up on a file, in the user's language and without the file's name, which
/// readWorkbook() adds when it turns this into a WorkbookError.
class ReadFailure : public std::runtime_error {
public:
    explicit ReadFailure(QString reason)
        : std::runtime_error(reason.toStdString()), m_reason(std::move(reason))
    {
    }
    /// The reason, to follow "Não foi possível ler a planilha ...: ".
    const QString& reason() const noexcept { return m_reason; }

private:
    QString m_reason;
};
