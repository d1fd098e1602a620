#include "DruckeinstellungenFUnit.h"
#include "Errors.h"
#include "MainUnit.h"
#include "Outline.h"
#include "PdfExportFUnit.h"
#include "Printing.h"
#include "TabellenFUnit.h"

#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QTimer>
#include <stdexcept>

// The "Extras" menu: the print preview and the export of the whole project as PDF;
// and what the desktop brings: files dropped onto the window.

void TMainForm::ExtrasDruckvorschau1Click()
{
    const auto preview =
        MakePrintPreview(Document, *CurrentPrinter, Druckeinstellungen->Width(), CurrentDayWidth, this);
    Modal->Exec(*preview);
}

// The export's dialogs are made at its first use, after the dialogs every start makes.
void TMainForm::ExtrasAlsPDFexportieren1Click()
{
    if (!PdfExportForm) {
        PdfExportForm = std::make_unique<TPdfExportForm>(this);
        PdfDialog1 = MakePdfFileDialog(this);
    }
    if (Modal->Exec(*PdfExportForm) != QDialog::Accepted)
        return;
    PdfDialog1->selectFile(ProposedPdfName(Document.FileName));
    if (Modal->Exec(*PdfDialog1) != QDialog::Accepted)
        return;
    const QString name = PdfDialog1->selectedFiles().value(0);
    if (name.isEmpty())
        return;
    QString error;
    if (!ExportPdf(Document, name, PdfExportForm->Layout(), Druckeinstellungen->Width(), CurrentDayWidth,
                   QDate::currentDate(), error))
        throw std::runtime_error(QStringLiteral("Die PDF-Datei %1 konnte nicht geschrieben werden: %2")
                                     .arg(name, error)
                                     .toStdString());
}

namespace {

// Takes a drag of one project; refuses anything else, which shows the forbidden cursor.
void Consider(QDragMoveEvent* event)
{
    if (DroppedProjectFile(*event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

} // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    Consider(event);
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    Consider(event);
}

// The file opens after the drop has ended, so that the file manager is not kept
// waiting while the save question is open.
void TMainForm::dropEvent(QDropEvent* event)
{
    const QString name = DroppedProjectFile(*event->mimeData());
    if (name.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, name] { Guarded([&] { OpenFileAfterAsking(Commands(), name); }); });
}

void TMainForm::ExtrasVorgangstabelle1Click()
{
    ShowTable(Vorgangstabelle, true);
}

void TMainForm::ExtrasRessourcentabelle1Click()
{
    ShowTable(Ressourcentabelle, false);
}

void TMainForm::ShowTable(std::unique_ptr<TTabellenForm>& form, bool tasks)
{
    if (!CsvDialog1) {
        CsvDialog1 = new QFileDialog(this);
        CsvDialog1->setObjectName(QStringLiteral("CsvDialog1"));
        CsvDialog1->setNameFilter(QStringLiteral("CSV-Dateien (*.csv)"));
        CsvDialog1->setDefaultSuffix(QStringLiteral("csv"));
        CsvDialog1->setAcceptMode(QFileDialog::AcceptSave);
    }
    if (!form)
        form = std::make_unique<TTabellenForm>(
            this, tasks ? TTable::Vorgaenge : TTable::Ressourcen, Document,
            [this] {
                return Modal->Exec(*CsvDialog1) == QDialog::Accepted ? CsvDialog1->selectedFiles().value(0)
                                                                     : QString();
            },
            [this, tasks](uint32_t index) {
                if (tasks)
                    Guarded([&] { OpenTaskFromTable(index); });
            });
    form->ShowTable();
}

void TMainForm::RefreshTables()
{
    for (TTabellenForm* form : {Vorgangstabelle.get(), Ressourcentabelle.get()})
        if (form)
            form->Refresh();
}

// A double click on a task's row selects the task in the outline and opens its editor.
void TMainForm::OpenTaskFromTable(uint32_t storeIndex)
{
    for (TOutlineIterator it(Vorgangs); *it; ++it)
        if (RecordIndex(*it) == storeIndex) {
            Vorgangs->setCurrentItem(*it);
            VorgangsDblClick();
            return;
        }
}
