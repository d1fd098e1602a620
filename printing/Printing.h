#pragma once

#include "Charts.h"

#include <QString>
#include <functional>
#include <memory>

class QPrintDialog;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;
class TCanvas;

// Paper distances: millimetres turned into printer pixels at 25.39995 mm per inch
// with the horizontal resolution, for vertical distances too. Every figure is
// computed in floating point and truncated toward zero once, at the end; results
// beyond the int range are held at its ends.
int PaperPixels(double mm, int dpi);

// The chart parameters for a printable area of width x height pixels at dpi: a
// 15 mm margin left, right and at the top, a name column nameColumnMm wide, rows
// 3 mm high, and a screen day of screenDayWidth pixels as screenDayWidth * 4/17 mm.
// Top is the task chart's, 15 mm.
TChartParams PaperParams(int dpi, int width, int height, int nameColumnMm, int screenDayWidth);

enum class TPrintout
{
    Vorgaenge,
    Ressourcen,
    VorgaengeUndRessourcen,
};

// The job title the printer queue shows.
QString PrintJobTitle(TPrintout printout);

// Draws one printout onto a surface of width x height pixels at dpi: the task chart
// from the top margin, the resource chart below the last task row, or either alone
// from the top margin. Whatever falls below the surface is lost.
void DrawPrintout(TDocument& doc, TCanvas& canvas, TPrintout printout, int dpi, int width, int height,
                  int nameColumnMm, int screenDayWidth);

// Draws onto the page of one print job: the canvas, the horizontal resolution, the
// printable width and height.
using TPageDrawer = std::function<void(TCanvas& canvas, int dpi, int width, int height)>;

// Runs one job of one page on the printer under the given title. Without a
// printer to print to nothing starts and "Zur Zeit ist kein Standard-Drucker
// gewählt" is thrown; a job the printer refuses to begin or finish throws as well.
// When drawing throws, the job is cancelled where the printer allows it, always
// ended, and the exception goes on to the caller.
void RunPrintJob(QPrinter& printer, const QString& title, const TPageDrawer& draw);

// One of the print commands: the printout as one job of one page.
void PrintCharts(TDocument& doc, QPrinter& printer, TPrintout printout, int nameColumnMm, int screenDayWidth);

// "Drucker einrichten": Qt's print dialog for choosing the printer all jobs go to,
// confirmed with "OK" and without page ranges, as choosing prints nothing yet.
std::unique_ptr<QPrintDialog> MakePrinterSetupDialog(QPrinter& printer, QWidget* parent);

// Takes what the confirmed set-up dialog chose. A PDF file is written at 600 dpi,
// like the page of a usual printer (Qt's own 1 200 dpi would show hour marks no
// printer page shows).
void AcceptPrinterSetup(QPrinter& printer);

// "Druckvorschau...": Qt's preview of the page that "Vorgänge und Ressourcen
// drucken" would put on printer, drawn as that command draws it; printing from the
// preview prints that page.
std::unique_ptr<QPrintPreviewDialog> MakePrintPreview(TDocument& doc, QPrinter& printer, int nameColumnMm,
                                                      int screenDayWidth, QWidget* parent);
