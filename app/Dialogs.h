#pragma once

#include <QString>

#include <functional>

class QWidget;

/// The window's message boxes and file picker, behind a seam so that tests can see what would have
/// been shown and preset the answers.
namespace Dialogs {

enum class Kind { Information, Warning, Error };

/// Shows a modal message box; `details` goes into its expandable detailed text.
void message(QWidget* parent, Kind kind, const QString& text, const QString& details = {});

/// Called instead of showing a message box while set (tests).
using MessageHook = std::function<void(Kind kind, const QString& text, const QString& details)>;
void setMessageHook(MessageHook hook);

/// Asks for a file to open, starting in `folder`, with no filter; empty when cancelled.
QString openFileName(QWidget* parent, const QString& folder);

/// The next openFileName call returns `fileName` without showing the dialog (tests); an empty
/// name then stands for a cancelled dialog.
void setNextOpenFileName(const QString& fileName);

} // namespace Dialogs
