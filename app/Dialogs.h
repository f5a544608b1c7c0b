#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

/// The window's message boxes and file picker, behind a seam so that tests can see what would have
/// been shown and preset the answers.
namespace Dialogs {

enum class Kind { Information, Warning, Error };

/// Shows a modal message box; `details` goes into its expandable detailed text. With an
/// `extraButton` caption the box offers that button beside OK; returns true when it was chosen.
bool message(QWidget* parent, Kind kind, const QString& text, const QString& details = {},
             const QString& extraButton = {});

/// As above, with several extra buttons beside OK; returns the number of the one chosen, from 1 in
/// the order given, or 0 for OK.
int message(QWidget* parent, Kind kind, const QString& text, const QString& details,
            const QStringList& extraButtons);

/// Called instead of showing a message box while set (tests); its result stands for the button
/// chosen: 0 (false) for OK, 1 (true) for the first extra button, 2 for the second. A number beyond
/// the buttons the box offers stands for OK.
using MessageHook = std::function<int(Kind kind, const QString& text, const QString& details)>;
void setMessageHook(MessageHook hook);

/// Asks for a file to save, starting at `suggestion`; empty when cancelled.
QString saveFileName(QWidget* parent, const QString& suggestion, const QString& filter);
/// The next saveFileName call returns `fileName` without showing the dialog (tests).
void setNextSaveFileName(const QString& fileName);

/// Asks for a file to open, starting in `folder`, with no filter; empty when cancelled.
QString openFileName(QWidget* parent, const QString& folder);

/// The next openFileName call returns `fileName` without showing the dialog (tests); an empty
/// name then stands for a cancelled dialog.
void setNextOpenFileName(const QString& fileName);

} // namespace Dialogs
