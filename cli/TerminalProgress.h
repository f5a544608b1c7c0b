#pragma once

#include "RunObserver.h"

#include <QTextStream>

#include <unistd.h>

/// Progress on a terminal only ("linha 12 de 300 (4%)"), so that scripts reading the output see
/// nothing but the results.
class TerminalProgress : public RunObserver {
public:
    /// `what` names the unit counted ("linha", "desfazendo").
    TerminalProgress(QTextStream& err, QString what)
        : m_err(err), m_what(std::move(what)), m_tty(isatty(STDERR_FILENO) == 1)
    {
    }
    void started(int count) override { m_count = count; }
    void progress(int done) override
    {
        if (!m_tty || m_count <= 0)
            return;
        const int percent = static_cast<int>(100LL * done / m_count);
        if (percent == m_lastPercent)
            return;
        m_lastPercent = percent;
        m_err << QStringLiteral("\r%1 %2 de %3 (%4%)").arg(m_what).arg(done + 1).arg(m_count).arg(percent);
        m_err.flush();
    }
    /// Ends the progress line, if one was shown.
    void finish()
    {
        if (m_tty && m_lastPercent >= 0) {
            m_err << u'\n';
            m_err.flush();
        }
    }

private:
    QTextStream& m_err;
    QString m_what;
    bool m_tty;
    int m_count = 0;
    int m_lastPercent = -1;
};
