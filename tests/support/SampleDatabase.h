#pragma once

#include <QString>
#include <QTemporaryDir>

/// A fresh ERP database for one test, in a temporary folder removed with it.
class SampleDatabase {
public:
    /// Creates the sample schema with its seed rows, or an empty database when `withSchema` is false.
    explicit SampleDatabase(bool withSchema = true);

    const QString& path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    /// Writes ConexaoFirebird.ini into the folder with exactly these bytes.
    void writeIni(const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};
