#include "PdfExport.h"

#include "Canvas.h"
#include "Outline.h"
#include "Printing.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int MarginMm = 15;
constexpr int PdfDpi = 600;

int AllRows(const TOutlineTree* outline)
{
    int rows = 0;
    std::vector<const TOutlineNode*> pending{outline->invisibleRootItem()};
    while (!pending.empty()) {
        const TOutlineNode* node = pending.back();
        pending.pop_back();
        rows += node->childCount();
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->childCount() > 0)
                pending.push_back(node->child(i));
    }
    return rows;
}

// The first and the last day column: a day before the earliest start to a day
// after the day of the latest end. Without live tasks, the days around ViewStart.
std::pair<TDateTime, TDateTime> DaySpan(const TDocument& doc)
{
    TDateTime first = std::numeric_limits<TDateTime>::infinity();
    TDateTime last = -std::numeric_limits<TDateTime>::infinity();
    for (uint32_t i = 0; i < doc.VorgangStore->Count; ++i) {
        const TVorgangRec& rec = doc.VorgangAt(i);
        if (rec.Deleted || !std::isfinite(rec.Beginn) || !std::isfinite(rec.Ende))
            continue;
        first = std::min({first, rec.Beginn, rec.Ende});
        last = std::max({last, rec.Beginn, rec.Ende});
    }
    if (first > last)
        first = last = doc.ViewStart;
    return {std::floor(first) - 1, std::floor(last) + 1};
}

int PagesFor(int items, int perPage)
{
    return items <= 0 ? 0 : (items - 1) / perPage + 1;
}

} // namespace

TPagePlan PlanPages(const TDocument& doc, int dpi, int width, int height, int nameColumnMm,
                    int screenDayWidth, bool fitToWidth)
{
    TPagePlan plan;
    plan.Dpi = dpi;
    TChartParams& p = plan.Base = PaperParams(dpi, width, height, nameColumnMm, screenDayWidth);
    p.WholeProject = true;
    const auto [first, last] = DaySpan(doc);
    plan.FirstDay = first;
    const double days = last - first + 1;
    const int chartWidth = std::max(2, width - p.RightMargin - p.ChartLeft);
    if (fitToWidth)
        p.DayWidth = int(std::clamp(std::floor((chartWidth - 1) / days), 1.0, double(chartWidth - 1)));
    p.DayWidth = std::clamp(p.DayWidth, 1, chartWidth - 1);
    plan.DaysPerPage = std::max(1, (chartWidth - 1) / p.DayWidth);
    plan.Across = int(std::min(std::ceil(days / plan.DaysPerPage), 1e6));
    // Whole day columns only: the chart ends with the last column's right edge.
    p.RightMargin = width - (p.ChartLeft + plan.DaysPerPage * p.DayWidth + 1);

    const int firstY = p.Top + 2 * p.RowHeight;
    const int rowsBottom = height - PaperPixels(MarginMm, dpi);
    plan.TaskRowsPerPage = std::max(1, (rowsBottom - firstY) / std::max(1, p.RowHeight));
    plan.ResourceRowsPerPage = std::max(1, (rowsBottom - firstY) / std::max(1, p.RowHeight - 1));
    plan.TaskDown = PagesFor(AllRows(doc.Vorgangs), plan.TaskRowsPerPage);
    plan.ResourceDown = PagesFor(AllRows(doc.Arbeiter), plan.ResourceRowsPerPage);
    if (plan.TaskDown + plan.ResourceDown == 0)
        plan.TaskDown = 1;
    return plan;
}

QString FooterFileName(const QString& documentFile)
{
    return documentFile.isEmpty() ? QStringLiteral("unbenannt.zkt") : QFileInfo(documentFile).fileName();
}

void DrawExportPage(TDocument& doc, TCanvas& canvas, const TPagePlan& plan, int page,
                    const TPageFooter& footer, TResourceIndex* resources)
{
    TChartParams p = plan.Base;
    const int down = page / plan.Across;
    p.Start = plan.FirstDay + double(page % plan.Across) * plan.DaysPerPage;
    const bool tasks = down < plan.TaskDown;
    const int rowsPerPage = tasks ? plan.TaskRowsPerPage : plan.ResourceRowsPerPage;
    p.FirstRow = (tasks ? down : down - plan.TaskDown) * rowsPerPage;
    p.AreaHeight = p.Top + 2 * p.RowHeight + rowsPerPage * (tasks ? p.RowHeight : p.RowHeight - 1);
    if (tasks) {
        const int32_t splitY = doc.PrintSplitY; // the print commands' value, not this page's
        DrawVorgangs(doc, canvas, p);
        doc.PrintSplitY = splitY;
    } else {
        DrawRessourcen(doc, canvas, p, resources);
    }

    const int dpi = plan.Dpi;
    const int y = plan.Base.AreaHeight - PaperPixels(MarginMm - 3, dpi);
    const int left = p.NameLeft;
    const int right = plan.Base.AreaWidth - PaperPixels(MarginMm, dpi);
    canvas.SetFont(ChartFont(true));
    canvas.SetFontColour(Qt::black);
    const QString number = QStringLiteral("Seite %1 von %2").arg(page + 1).arg(plan.Pages());
    const QString date = footer.Date.toString(QStringLiteral("dd.MM.yyyy"));
    canvas.TextOut(left, y, footer.FileName);
    canvas.TextOut((left + right - canvas.TextWidth(number)) / 2, y, number);
    canvas.TextOut(right - canvas.TextWidth(date), y, date);
}

bool ExportPdf(TDocument& doc, const QString& fileName, const TExportLayout& layout, int nameColumnMm,
               int screenDayWidth, const QDate& date, QString& error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const TPageFooter footer{FooterFileName(doc.FileName), date};
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(PdfDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(layout.PageSize), layout.Orientation, QMarginsF(0, 0, 0, 0)));
        pdf.setTitle(footer.FileName);
        pdf.setCreator(QStringLiteral("Zeitkant"));
        const TPagePlan plan = PlanPages(doc, PdfDpi, pdf.width(), pdf.height(), nameColumnMm, screenDayWidth,
                                         layout.FitToWidth);
        if (plan.Pages() > MaxExportPages) {
            error = QStringLiteral("Das Projekt bräuchte %L1 Seiten, mehr als %L2")
                        .arg(plan.Pages())
                        .arg(MaxExportPages);
            file.cancelWriting();
            return false;
        }
        QPainter painter(&pdf);
        TCanvas canvas(painter);
        TResourceIndex resources;
        for (int page = 0; page < int(plan.Pages()); ++page) {
            if (page > 0)
                pdf.newPage();
            DrawExportPage(doc, canvas, plan, page, footer, &resources);
        }
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
