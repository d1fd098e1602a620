#pragma once

#include "Modal.h"

// The real thing behind the modal seam: Qt's modal dialogs and message boxes.
class TDialogModal final : public TModal
{
public:
    int Exec(QDialog& dialog) override;
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override;
    void Tell(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) override;
};
