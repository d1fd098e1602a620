#include "DruckeinstellungenFUnit.h"
#include "MainUnit.h"
#include "PdfExportFUnit.h"
#include "Printing.h"

#include <QDate>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <stdexcept>

// The "Extras" menu: the print preview and the export of the whole project as PDF.

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
