#include "Printing.h"

#include "Canvas.h"
#include "Errors.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr double MillimetresPerInch = 25.39995;
constexpr int Margin = 15;

[[noreturn]] void Fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

int Truncated(double pixels)
{
    if (std::isnan(pixels))
        return 0;
    if (pixels >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (pixels <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::trunc(pixels));
}

// A printer in native mode needs a queue; one writing PDF needs a file. Qt turns a
// printer into a PDF writer without a file when the system has no printer at all.
bool HasDestination(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty();
}

} // namespace

int PaperPixels(double mm, int dpi)
{
    return Truncated(mm / MillimetresPerInch * dpi);
}

TChartParams PaperParams(int dpi, int width, int height, int nameColumnMm, int screenDayWidth)
{
    TChartParams p;
    p.ChartLeft = PaperPixels(double(nameColumnMm) + Margin, dpi);
    p.Top = PaperPixels(Margin, dpi);
    p.AreaWidth = width;
    p.AreaHeight = height;
    p.DayWidth = Truncated(double(screenDayWidth) * 4 / 17 / MillimetresPerInch * dpi);
    p.RowHeight = PaperPixels(3, dpi);
    p.ForPrinter = true;
    p.NameLeft = PaperPixels(Margin, dpi);
    p.RightMargin = PaperPixels(Margin, dpi);
    p.DrawNames = true;
    return p;
}

QString PrintJobTitle(TPrintout printout)
{
    switch (printout) {
    case TPrintout::Vorgaenge:
        return QStringLiteral("Projekt Vorgänge drucken");
    case TPrintout::Ressourcen:
        return QStringLiteral("Projekt Ressourcen drucken");
    case TPrintout::VorgaengeUndRessourcen:
        break;
    }
    return QStringLiteral("Projekt Vorgänge/Ressourcen drucken");
}

void DrawPrintout(TDocument& doc, TCanvas& canvas, TPrintout printout, int dpi, int width, int height,
                  int nameColumnMm, int screenDayWidth)
{
    TChartParams p = PaperParams(dpi, width, height, nameColumnMm, screenDayWidth);
    if (printout != TPrintout::Ressourcen) {
        DrawVorgangs(doc, canvas, p);
        p.Top = doc.PrintSplitY;
    }
    if (printout != TPrintout::Vorgaenge)
        DrawRessourcen(doc, canvas, p);
}

void RunPrintJob(QPrinter& printer, const QString& title, const TPageDrawer& draw)
{
    if (!HasDestination(printer))
        Fail(QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt"));
    printer.setDocName(title);
    const int dpi = printer.logicalDpiX();
    QPainter painter;
    if (!painter.begin(&printer))
        Fail(QStringLiteral("Der Druckauftrag konnte nicht begonnen werden"));
    try {
        TCanvas canvas(painter);
        draw(canvas, dpi, printer.width(), printer.height());
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    if (!painter.end())
        Fail(QStringLiteral("Der Druckauftrag konnte nicht abgeschlossen werden"));
}

void PrintCharts(TDocument& doc, QPrinter& printer, TPrintout printout, int nameColumnMm, int screenDayWidth)
{
    RunPrintJob(printer, PrintJobTitle(printout), [&](TCanvas& canvas, int dpi, int width, int height) {
        DrawPrintout(doc, canvas, printout, dpi, width, height, nameColumnMm, screenDayWidth);
    });
}

std::unique_ptr<QPrintDialog> MakePrinterSetupDialog(QPrinter& printer, QWidget* parent)
{
    auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
    dialog->setObjectName(QStringLiteral("PrinterSetupDialog1"));
    dialog->setWindowTitle(QStringLiteral("Drucker einrichten"));
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    return dialog;
}

void AcceptPrinterSetup(QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.resolution() > 600)
        printer.setResolution(600);
}

std::unique_ptr<QPrintPreviewDialog> MakePrintPreview(TDocument& doc, QPrinter& printer, int nameColumnMm,
                                                      int screenDayWidth, QWidget* parent)
{
    auto dialog = std::make_unique<QPrintPreviewDialog>(&printer, parent);
    dialog->setObjectName(QStringLiteral("PrintPreviewDialog1"));
    dialog->setWindowTitle(QStringLiteral("Druckvorschau"));
    const TPrintout printout = TPrintout::VorgaengeUndRessourcen;
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [&doc, nameColumnMm, screenDayWidth, printout](QPrinter* page) {
                         Guarded([&] {
                             page->setDocName(PrintJobTitle(printout));
                             QPainter painter(page);
                             TCanvas canvas(painter);
                             DrawPrintout(doc, canvas, printout, page->logicalDpiX(), page->width(),
                                          page->height(), nameColumnMm, screenDayWidth);
                         });
                     });
    return dialog;
}
