#pragma once

#include <QString>

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

/// Called instead of showing a message box while set (tests); its result stands for the choice of
/// the extra button.
using MessageHook = std::function<bool(Kind kind, const QString& text, const QString& details)>;
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
