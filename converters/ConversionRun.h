#pragma once

#include "Converter.h"
#include "RunObserver.h"
#include "RunReport.h"

#include <QStringList>

/// A run ended by an error: the message names the spreadsheet row, the column and the value where
/// they are known, and the database's or the reading's own text. The rows before it stay written.
class RunError : public UserError {
public:
    RunError(const QString& message, RunReport report) : UserError(message), m_report(std::move(report)) {}
    const RunReport& report() const { return m_report; }

private:
    RunReport m_report;
};

/// How a run ended when it did not end by an error.
struct RunResult {
    int count = 0;              // grid rows from the first data row on, skipped rows included
    bool cancelled = false;
    int stoppedAtRow = -1;      // grid row before which a cancelled run stopped
    bool simulated = false;
    RunReport report;
    QString closingMessage;     // count + the converter's suffix; empty when cancelled
    QString noticeText;         // what was sent to the notifier; empty when nothing was sent

    /// What the count hides: rows inserted, updated, skipped (with why) and failed.
    QStringList details() const;
};

/// Runs a converter over a grid: every row from the first data row on, each written whole or not at
/// all (a savepoint per row), progress and outcomes reported to `observer`, commits grouped for
/// speed. A dry run rolls everything back at the end. The first error ends the run with a RunError,
/// unless the options say to go on after errors. A finished run sends its notice, then yields
/// its closing message.
RunResult runConversion(Converter& converter, const Grid& grid, const RunOptions& options, Database& database,
                        RunServices services, RunObserver& observer,
                        const RegionalSettings& regional = RegionalSettings::system());

/// The text of an error at a grid row, for messages and reports.
QString rowErrorText(int gridRow, const UserError& error);
