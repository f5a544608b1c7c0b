#pragma once

#include <QString>

/// Where the one-line notice of a finished conversion goes. Sending never fails for the caller:
/// whatever goes wrong is dropped.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void send(const QString& text) = 0;
};

/// A notifier that sends nothing.
class NullNotifier : public Notifier {
public:
    void send(const QString&) override {}
};

namespace ConversionNotice {

/// "VANDOR CONVERSOR 11/03/2022 Empresa: " + company + " " + count + suffix.
QString text(const QString& company, int count, const QString& suffix);

} // namespace ConversionNotice
