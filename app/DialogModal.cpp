#include "DialogModal.h"

#include <QDialog>

int TDialogModal::Exec(QDialog& dialog)
{
    return dialog.exec();
}

QMessageBox::StandardButton TDialogModal::Ask(QWidget* parent, const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(QMessageBox::Question, caption, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void TDialogModal::Tell(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}
