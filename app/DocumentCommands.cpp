#include "Clock.h"
#include "ErrorHandler.h"
#include "MainUnit.h"
#include "ProjectFile.h"

#include <QCloseEvent>
#include <QFileDialog>

namespace {

const QString NeuQuestion =
    QStringLiteral("Die Datei ist noch nicht gespeichert. Wollen Sie jetzt speichern?");
const QString UnsavedQuestion =
    QStringLiteral("Die Datei wurde noch nicht gespeichert. Wollen Sie jetzt speichern?");

} // namespace

QFileDialog* TMainForm::FileDialog(const char* name, bool forSaving)
{
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QLatin1String(name));
    dialog->setNameFilter(QStringLiteral("Zeitkant Dateien (*.zkt)"));
    dialog->setDefaultSuffix(QStringLiteral("zkt"));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    return dialog;
}

QString TMainForm::ChooseFile(QFileDialog& dialog)
{
    if (Modal->Exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

bool TMainForm::SaveQuestion(const QString& text)
{
    if (!Document.Changed)
        return true;
    switch (Modal->Ask(this, QStringLiteral("Speichern"), text,
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return SaveFile();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void TMainForm::DateiNeu1Click()
{
    if (SaveQuestion(NeuQuestion))
        NewAll();
}

void TMainForm::Dateiffnen1Click()
{
    if (SaveQuestion(UnsavedQuestion))
        OpenFileFromDialog();
}

void TMainForm::DateiSpeichern1Click()
{
    SaveFile();
}

void TMainForm::DateiSpeichernunter1Click()
{
    const QString name = ChooseFile(*SaveDialog1);
    if (name.isEmpty())
        return;
    Document.FileName = name;
    if (SaveTheFile())
        SetUnChanged();
}

void TMainForm::FormCloseQuery(bool& canClose)
{
    canClose = SaveQuestion(UnsavedQuestion);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    Guarded([&] { FormCloseQuery(canClose); });
    event->setAccepted(canClose);
}

bool TMainForm::SaveFile()
{
    bool ok = false;
    if (!Document.FileName.isEmpty()) {
        ok = SaveTheFile();
    } else if (const QString name = ChooseFile(*SaveDialog1); !name.isEmpty()) {
        Document.FileName = name;
        ok = SaveTheFile();
    }
    if (ok)
        SetUnChanged();
    return ok;
}

void TMainForm::OpenFileFromDialog()
{
    const QString name = ChooseFile(*OpenDialog1);
    if (!name.isEmpty())
        OpenFile(name);
}

void TMainForm::NewAll()
{
    ClearProject(Document);
    Document.FileName.clear();
    Document.ViewStart = Now();
    SetUnChanged();
}

// A damaged file keeps what was read, but not its name: "Speichern" must not write
// the part that was read over the whole file without asking for a name.
bool TMainForm::OpenFile(const QString& name)
{
    NewAll();
    Document.FileName = name;
    try {
        QByteArray bytes;
        if (!ReadFileBytes(name, bytes))
            return false;
        ReadProject(Document, bytes);
    } catch (...) {
        Document.FileName.clear();
        SetUnChanged();
        throw;
    }
    SetUnChanged();
    return true;
}

bool TMainForm::SaveTheFile()
{
    QString reason;
    if (!SaveProjectFile(Document, Document.FileName, reason)) {
        Modal->Tell(this, QMessageBox::Critical, QStringLiteral("Zeitkant"),
                    QStringLiteral("Die Datei \"%1\" konnte nicht gespeichert werden: %2")
                        .arg(Document.FileName, reason));
        return false;
    }
    SetUnChanged();
    return true;
}
