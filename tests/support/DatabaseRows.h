#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

/// Small looks into and changes of a test's database, each on a connection of its own.

/// Runs statements that return no rows.
void seed(const QString& path, const QString& sql, const QVariantList& values = {});
void seed(const QString& path, const QStringList& statements);

/// The first column of the first row a query returns as an integer; -1 when it returns none.
int scalar(const QString& path, const QString& sql);

/// A stored value as text for comparisons: "<null>" for NULL, dates as yyyy-MM-dd, bytes that are
/// not UTF-8 text in base64.
QString shown(const QVariant& v);
