#pragma once

#include "Charts.h"

#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <cstdint>

class TCanvas;

// The whole project on as many pages as it needs: every row of both outlines as
// if every node were expanded, the days from the earliest start to the latest end
// of the live tasks with a day of margin each side. The pages go across (days) and
// down (rows); the task rows come first, then the resource rows, each part starting
// on a new row of pages. Each page repeats the day header and the name column and
// carries a footer. The charts are drawn by DrawVorgangs and DrawRessourcen on the
// paper geometry of the print commands.

// What the user chose before an export; kept for the run of the program.
struct TExportLayout
{
    QPageSize::PageSizeId PageSize = QPageSize::A4;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    bool FitToWidth = false; // "An Seitenbreite anpassen": one page across
};

struct TPagePlan
{
    TChartParams Base; // the paper geometry, with the day width used and whole rows
    int Dpi = 600;
    TDateTime FirstDay;  // the first day column of the first page across
    int DaysPerPage = 1; // whole day columns on a page
    int Across = 1;
    int TaskRowsPerPage = 1;
    int ResourceRowsPerPage = 1;
    int TaskDown = 0; // rows of pages for the tasks, then for the resources
    int ResourceDown = 0;

    int64_t Pages() const { return int64_t(TaskDown + ResourceDown) * Across; }
};

// The plan for pages of width x height pixels at dpi.
TPagePlan PlanPages(const TDocument& doc, int dpi, int width, int height, int nameColumnMm,
                    int screenDayWidth, bool fitToWidth);

// The footer's texts: the project file's name, "Seite n von m", the export date.
struct TPageFooter
{
    QString FileName;
    QDate Date;
};

// Draws page index (0-based) of the plan with its footer. Pages drawn in one go can
// share the index of the tasks' resources.
void DrawExportPage(TDocument& doc, TCanvas& canvas, const TPagePlan& plan, int page,
                    const TPageFooter& footer, TResourceIndex* resources = nullptr);

// The file name a footer shows: the document's file without its folder, or
// "unbenannt.zkt" when it has none.
QString FooterFileName(const QString& documentFile);

// The most pages one export writes; a project whose dates lie centuries apart
// would need millions.
constexpr int64_t MaxExportPages = 50000;

// Writes the whole project to a PDF file at 600 dpi, through a temporary file
// that replaces an old one only when complete. False with the reason in error
// when the file cannot be written or would need more than MaxExportPages pages.
bool ExportPdf(TDocument& doc, const QString& fileName, const TExportLayout& layout, int nameColumnMm,
               int screenDayWidth, const QDate& date, QString& error);
