#include "MsProjectCommands.h"

#include "Clock.h"
#include "Modal.h"
#include "MsProjectExport.h"
#include "MsProjectImport.h"
#include "ProjectFile.h"
#include "Undo.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

const QString Caption = QStringLiteral("Zeitkant");

bool SameFile(const QString& a, const QString& b)
{
    const QFileInfo first(a), second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

void CannotImport(const TDocumentCommands& c, const QString& name, const QString& reason)
{
    c.Modal.Tell(c.Parent, QMessageBox::Critical, Caption,
                 QStringLiteral("Die Datei \"%1\" kann nicht importiert werden: %2.").arg(name, reason));
}

} // namespace

QFileDialog* MakeMsProjectFileDialog(QWidget* parent, const char* name, bool forSaving)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(name));
    dialog->setNameFilter(QStringLiteral("Microsoft Project XML (*.xml)"));
    dialog->setDefaultSuffix(QStringLiteral("xml"));
    dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    return dialog;
}

bool ExportMsProjectFromDialog(const TDocumentCommands& c, QFileDialog& dialog)
{
    dialog.selectFile(ProposedXmlName(c.Doc.FileName));
    if (c.Modal.Exec(dialog) != QDialog::Accepted)
        return false;
    const QString name = dialog.selectedFiles().value(0);
    if (name.isEmpty())
        return false;
    QString error;
    if (SameFile(name, c.Doc.FileName))
        error = QStringLiteral("Sie ist die Projektdatei selbst");
    else if (ExportMsProject(c.Doc, name, Now(), error))
        return true;
    c.Modal.Tell(c.Parent, QMessageBox::Critical, Caption,
                 QStringLiteral("Die Datei \"%1\" konnte nicht exportiert werden: %2.").arg(name, error));
    return false;
}

bool ImportMsProjectAfterAsking(const TDocumentCommands& c, QFileDialog& dialog,
                                const std::function<void()>& setChanged)
{
    if (!MayReplace(c) || c.Modal.Exec(dialog) != QDialog::Accepted)
        return false;
    const QString name = dialog.selectedFiles().value(0);
    return !name.isEmpty() && ImportMsProjectFile(c, name, setChanged);
}

bool ImportMsProjectFile(const TDocumentCommands& c, const QString& name,
                         const std::function<void()>& setChanged)
{
    TMspPlan plan;
    {
        QByteArray bytes;
        QString reason;
        if (!ReadMsProjectFile(name, bytes, reason)) {
            CannotImport(c, name, reason);
            return false;
        }
        TXmlFault fault;
        if (!ParseMsProject(bytes, plan, fault)) {
            CannotImport(c, name,
                         fault.Line > 0 ? QStringLiteral("%1 (Zeile %2, Spalte %3)")
                                              .arg(fault.Text)
                                              .arg(fault.Line)
                                              .arg(fault.Column)
                                        : fault.Text);
            return false;
        }
    }
    TImportReport report;
    try {
        report = ImportMsProject(c.Doc, plan);
    } catch (...) {
        ClearProject(c.Doc);
        c.Doc.FileName.clear();
        c.SetUnChanged();
        throw;
    }
    c.Doc.FileName.clear();
    c.Doc.Changed = true;
    ForgetHistory(c.Doc); // no step leads back to a saved state
    setChanged();
    c.Modal.Tell(c.Parent, QMessageBox::Information, Caption, ImportSummary(report));
    return true;
}
