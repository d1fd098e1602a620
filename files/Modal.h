#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Everything that waits for a person (editors, file dialogs, questions and
// notices) goes through this interface. The main window uses real dialogs;
// tests put scripted answers in their place.
class TModal
{
public:
    virtual ~TModal() = default;

    // Runs the dialog modally and returns QDialog::Accepted or QDialog::Rejected.
    virtual int Exec(QDialog& dialog) = 0;

    // A question box; returns the button chosen.
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& caption, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) = 0;

    // A notice with one OK button.
    virtual void Tell(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                      const QString& text) = 0;
};
