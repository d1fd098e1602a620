#pragma once

#include "Modal.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

// Answers the program's modal dialogs and questions from a script, and records
// what was asked. A dialog or question the script did not expect fails the test
// and is answered with Cancel.
class TScriptedModal final : public TModal
{
public:
    using TDialogStep = std::function<int(QDialog&)>;

    struct TQuestion
    {
        QString Caption;
        QString Text;
        QMessageBox::StandardButtons Buttons;
        QMessageBox::StandardButton Default;
    };
    struct TNotice
    {
        QMessageBox::Icon Icon;
        QString Caption;
        QString Text;
    };

    std::deque<TDialogStep> Dialogs;
    std::deque<QMessageBox::StandardButton> Answers;
    std::vector<QString> DialogsShown;
    std::vector<TQuestion> Questions;
    std::vector<TNotice> Notices;

    int Exec(QDialog& dialog) override
    {
        DialogsShown.push_back(dialog.objectName());
        if (Dialogs.empty()) {
            ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
            return QDialog::Rejected;
        }
        TDialogStep step = std::move(Dialogs.front());
        Dialogs.pop_front();
        return step(dialog);
    }

    QMessageBox::StandardButton Ask(QWidget*, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
        Questions.push_back({caption, text, buttons, defaultButton});
        if (Answers.empty()) {
            ADD_FAILURE() << "unexpected question " << text.toStdString();
            return QMessageBox::Cancel;
        }
        const QMessageBox::StandardButton answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    void Tell(QWidget*, QMessageBox::Icon icon, const QString& caption, const QString& text) override
    {
        Notices.push_back({icon, caption, text});
    }
};
