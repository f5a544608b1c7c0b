#pragma once

#include "Converter.h"

#include <QStringList>

#include <memory>

/// The kinds of record, by their command-line word, in the order of the window's tabs.
namespace ConverterKinds {

/// produtos, clientes, fornecedores, transportadoras, categorias, servicos.
QStringList all();

/// A new converter of the kind; null when the word names no kind, or a kind whose converter is not
/// available yet.
std::unique_ptr<Converter> create(const QString& kind);

} // namespace ConverterKinds
