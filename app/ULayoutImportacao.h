#pragma once

#include "LayoutImportacao.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

/// The help window with the spreadsheet layouts: a read-only text of 84 fixed lines, and a button
/// that saves a blank workbook laid out as one of them.
class TfLayoutImportacao : public QDialog {
    Q_OBJECT
public:
    explicit TfLayoutImportacao(QWidget* parent = nullptr);
    ~TfLayoutImportacao() override;

    /// Asks where to save, then writes the layout's blank workbook there; says how it went.
    void salvarModelo(LayoutImportacao::Layout layout);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* ButtonSalvarModelo = nullptr;
};

/// The current help window, or none: the one made at start-up until the first click closes it,
/// afterwards only the one on screen.
extern TfLayoutImportacao* fLayoutImportacao;
