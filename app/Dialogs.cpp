#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <optional>

namespace {

Dialogs::MessageHook s_hook;
std::optional<QString> s_nextFileName;
std::optional<QString> s_nextSaveFileName;

} // namespace

namespace Dialogs {

bool message(QWidget* parent, Kind kind, const QString& text, const QString& details, const QString& extraButton)
{
    return message(parent, kind, text, details, extraButton.isEmpty() ? QStringList() : QStringList{extraButton}) == 1;
}

int message(QWidget* parent, Kind kind, const QString& text, const QString& details, const QStringList& extraButtons)
{
    if (s_hook) {
        const int chosen = s_hook(kind, text, details);
        return chosen > 0 && chosen <= extraButtons.size() ? chosen : 0;
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
    QList<QAbstractButton*> extras;
    for (const QString& caption : extraButtons)
        extras << box.addButton(caption, QMessageBox::ActionRole);
    box.exec();
    return static_cast<int>(extras.indexOf(box.clickedButton())) + 1;
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

namespace Dialogs {

QString saveFileName(QWidget* parent, const QString& suggestion, const QString& filter)
{
    if (s_nextSaveFileName) {
        QString name = *s_nextSaveFileName;
        s_nextSaveFileName.reset();
        return name;
    }
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Salvar"), suggestion, filter);
}

void setNextSaveFileName(const QString& fileName) { s_nextSaveFileName = fileName; }

} // namespace Dialogs
