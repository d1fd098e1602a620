#include "DocumentCommands.h"

#include "Clock.h"
#include "Modal.h"
#include "ProjectFile.h"
#include "RecentFiles.h"

#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

namespace {

const QString NeuQuestion =
    QStringLiteral("Die Datei ist noch nicht gespeichert. Wollen Sie jetzt speichern?");
const QString UnsavedQuestion =
    QStringLiteral("Die Datei wurde noch nicht gespeichert. Wollen Sie jetzt speichern?");

QString ChooseFile(const TDocumentCommands& c, QFileDialog& dialog)
{
    if (c.Modal.Exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

// The save question; true when the command is to go on.
bool SaveQuestion(const TDocumentCommands& c, const QString& text)
{
    if (!c.Doc.Changed)
        return true;
    switch (c.Modal.Ask(c.Parent, QStringLiteral("Speichern"), text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return SaveDocument(c);
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

} // namespace

QFileDialog* MakeProjectFileDialog(QWidget* parent, const char* name, bool forSaving)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(name));
    dialog->setNameFilter(QStringLiteral("Zeitkant Dateien (*.zkt)"));
    dialog->setDefaultSuffix(QStringLiteral("zkt"));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    return dialog;
}

void NewAfterAsking(const TDocumentCommands& c)
{
    if (SaveQuestion(c, NeuQuestion))
        NewDocument(c);
}

void OpenAfterAsking(const TDocumentCommands& c)
{
    if (MayReplace(c))
        OpenDocumentFromDialog(c);
}

void OpenFileAfterAsking(const TDocumentCommands& c, const QString& name)
{
    if (SaveQuestion(c, UnsavedQuestion))
        OpenDocument(c, name);
}

QString DroppedProjectFile(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString name = urls.front().toLocalFile();
    return name.endsWith(QStringLiteral(".zkt"), Qt::CaseInsensitive) ? name : QString();
}

bool SaveDocumentAs(const TDocumentCommands& c)
{
    const QString name = ChooseFile(c, c.SaveDialog1);
    if (name.isEmpty())
        return false;
    c.Doc.FileName = name;
    if (!WriteDocument(c))
        return false;
    c.SetUnChanged();
    return true;
}

bool MayClose(const TDocumentCommands& c)
{
    return SaveQuestion(c, UnsavedQuestion);
}

bool MayReplace(const TDocumentCommands& c)
{
    return SaveQuestion(c, UnsavedQuestion);
}

bool SaveDocument(const TDocumentCommands& c)
{
    bool ok = false;
    if (!c.Doc.FileName.isEmpty()) {
        ok = WriteDocument(c);
    } else if (const QString name = ChooseFile(c, c.SaveDialog1); !name.isEmpty()) {
        c.Doc.FileName = name;
        ok = WriteDocument(c);
    }
    if (ok)
        c.SetUnChanged();
    return ok;
}

bool OpenDocumentFromDialog(const TDocumentCommands& c)
{
    const QString name = ChooseFile(c, c.OpenDialog1);
    return !name.isEmpty() && OpenDocument(c, name);
}

void NewDocument(const TDocumentCommands& c)
{
    ClearProject(c.Doc);
    c.Doc.FileName.clear();
    c.Doc.ViewStart = Now();
    c.SetUnChanged();
    c.RepaintCharts();
}

// A damaged file keeps what was read, but not its name: "Speichern" must not write
// the part that was read over the whole file without asking for a name.
bool OpenDocument(const TDocumentCommands& c, const QString& name)
{
    NewDocument(c);
    c.Doc.FileName = name;
    try {
        if (!ReadProjectFile(c.Doc, name))
            return false;
    } catch (...) {
        c.Doc.FileName.clear();
        c.SetUnChanged();
        throw;
    }
    c.SetUnChanged();
    c.Opened();
    RecordRecentlyUsed(name);
    return true;
}

bool WriteDocument(const TDocumentCommands& c)
{
    QString reason;
    if (!SaveProjectFile(c.Doc, c.Doc.FileName, reason)) {
        c.Modal.Tell(c.Parent, QMessageBox::Critical, QStringLiteral("Zeitkant"),
                     QStringLiteral("Die Datei \"%1\" konnte nicht gespeichert werden: %2")
                         .arg(c.Doc.FileName, reason));
        return false;
    }
    c.SetUnChanged();
    RecordRecentlyUsed(c.Doc.FileName);
    return true;
}
