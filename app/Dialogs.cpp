#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include <optional>

namespace {

Dialogs::MessageHook s_hook;
std::optional<QString> s_nextFileName;

} // namespace

namespace Dialogs {

void message(QWidget* parent, Kind kind, const QString& text, const QString& details)
{
    if (s_hook) {
        s_hook(kind, text, details);
        return;
    }
    QMessageBox box(parent);
    box.setIcon(kind == Kind::Information ? QMessageBox::Information
                : kind == Kind::Warning   ? QMessageBox::Warning
                                          : QMessageBox::Critical);
    box.setWindowTitle(QStringLiteral("Conversor"));
    box.setText(text);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void setMessageHook(MessageHook hook) { s_hook = std::move(hook); }

QString openFileName(QWidget* parent, const QString& folder)
{
    if (s_nextFileName) {
        QString name = *s_nextFileName;
        s_nextFileName.reset();
        return name;
    }
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Abrir"), folder);
}

void setNextOpenFileName(const QString& fileName) { s_nextFileName = fileName; }

} // namespace Dialogs
