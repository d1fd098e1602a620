#include "Charts.h"

#include "Canvas.h"
#include "OutlineCommands.h"

#include <QDate>
#include <QTreeWidget>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace {

enum class TChart
{
    Vorgang,
    Arbeiter,
};

const QDate DayZero(1899, 12, 30);

QDate CalendarDay(TDateTime d)
{
    return DayZero.addDays(qint64(std::trunc(d)));
}

void DrawDayHeader(TCanvas& canvas, TDateTime viewStart, const TChartParams& p, TChart chart)
{
    canvas.SetFont(ChartFont(p.ForPrinter));
    canvas.SetFontColour(Qt::black);
    canvas.SetPen(Qt::white);
    canvas.SetBrush(Qt::white);
    if (!p.ForPrinter)
        canvas.Rectangle(0, 0, p.AreaWidth, p.AreaHeight);
    const int right = p.AreaWidth - p.RightMargin;
    canvas.Clip(p.ChartLeft, 0, right, p.AreaHeight);
    canvas.SetPen(Qt::black);
    canvas.SetBrush(ChartColour::MonthRow);
    const int monthBottom = chart == TChart::Vorgang ? p.Top + p.RowHeight + 1 : p.Top + p.RowHeight - 1;
    canvas.Rectangle(p.ChartLeft, p.Top, right, monthBottom);
    canvas.SetBrush(ChartColour::DayCell);
    int lastMonth = -1;
    TDateTime d = viewStart;
    for (int x = p.ChartLeft; x < right; x += p.DayWidth, d += 1) {
        canvas.Rectangle(x, p.Top + p.RowHeight, x + p.DayWidth + 1, p.Top + 2 * p.RowHeight);
        const QDate date = CalendarDay(d);
        const int month = date.year() * 12 + date.month();
        if (month != lastMonth) {
            canvas.Line(x, p.Top, x, p.Top + p.RowHeight);
            canvas.TextOut(x + 8, p.Top + 2, QStringLiteral("%1/%2").arg(date.month()).arg(date.year()));
            lastMonth = month;
        }
        const QString day = QStringLiteral("%1.").arg(date.day());
        canvas.TextOut(x + (p.DayWidth - canvas.TextWidth(day)) / 2, p.Top + p.RowHeight + 2, day);
    }
    canvas.Unclip();
}

void DrawHourMarks(TCanvas& canvas, const TChartParams& p, int x, int y, int threshold)
{
    if (p.DayWidth < threshold)
        return;
    canvas.SetPen(ChartColour::HourLine);
    const QFont normal = canvas.Font();
    QFont small = normal;
    if (normal.pixelSize() > 0)
        small.setPixelSize(normal.pixelSize() - 3);
    else
        small.setPointSizeF(normal.pointSizeF() - 2);
    for (int h = 1; h <= 23; ++h) {
        const int xh = int(std::nearbyint(x + h * (p.DayWidth + 1) / 24.0));
        canvas.Line(xh, y + 2, xh, y + p.RowHeight - 2);
        canvas.SetFont(small);
        canvas.SetFontColour(ChartColour::HourNumber);
        const QString number = QString::number(h);
        canvas.TextOut(xh - canvas.TextWidth(number) / 2, y + 2, number);
        canvas.SetFontColour(Qt::black);
        canvas.SetFont(normal);
    }
    canvas.SetPen(ChartColour::Grid);
}

// The grid of one row; returns the day after the last column drawn.
TDateTime DrawRowGrid(TCanvas& canvas, TDateTime viewStart, const TChartParams& p, int y, bool selected,
                      int threshold)
{
    const int right = p.AreaWidth - p.RightMargin;
    canvas.SetPen(ChartColour::Grid);
    canvas.SetBrush(selected && !p.ForPrinter ? ChartColour::SelectedRow : ChartColour::Row);
    canvas.Rectangle(p.ChartLeft, y, right, y + p.RowHeight);
    TDateTime d = viewStart;
    for (int x = p.ChartLeft; x < right; x += p.DayWidth, d += 1) {
        canvas.Rectangle(x, y, x + p.DayWidth + 1, y + p.RowHeight);
        DrawHourMarks(canvas, p, x, y, threshold);
    }
    return d;
}

void DrawBar(TCanvas& canvas, TDateTime viewStart, const TChartParams& p, int y, TDateTime end,
             TDateTime beginn, TDateTime ende)
{
    if (std::trunc(viewStart) <= ende && std::trunc(end + 1) >= beginn)
        canvas.Rectangle(TimeToX(beginn, viewStart, p), y + 2, TimeToX(ende, viewStart, p) + 1,
                         y + p.RowHeight - 2);
}

void DrawName(TCanvas& canvas, const TChartParams& p, int y, int level, const QString& caption)
{
    if (!p.DrawNames)
        return;
    canvas.Clip(p.NameLeft, 0, p.ChartLeft, p.AreaHeight);
    canvas.TextOut(p.NameLeft + (p.NameLeft * level) / 3, y, caption);
    canvas.Unclip();
}

bool ShowsChildren(const QTreeWidgetItem* node)
{
    return node->childCount() > 0 && node->isExpanded();
}

// The walk shared by both charts: the node and its following siblings, descending
// into expanded nodes, never climbing. Rows wholly below the surface are counted
// but not drawn.
template <typename DrawRow>
void WalkRows(QTreeWidgetItem* node, int level, int& y, int advance, int areaHeight, DrawRow drawRow)
{
    QTreeWidgetItem* parent = node->parent();
    const QTreeWidget* outline = node->treeWidget();
    int i = parent ? parent->indexOfChild(node) : outline->indexOfTopLevelItem(node);
    const int count = parent ? parent->childCount() : outline->topLevelItemCount();
    for (; i < count; ++i) {
        QTreeWidgetItem* row = parent ? parent->child(i) : outline->topLevelItem(i);
        if (y < areaHeight)
            drawRow(row, level, y);
        y += advance;
        if (ShowsChildren(row))
            WalkRows(row->child(0), level + 1, y, advance, areaHeight, drawRow);
    }
}

} // namespace

QFont ChartFont(bool forPrinter)
{
    QFont font(QStringLiteral("Arial"));
    if (forPrinter)
        font.setPointSize(8);
    else
        font.setPixelSize(11);
    return font;
}

int TimeToX(TDateTime t, TDateTime viewStart, const TChartParams& p)
{
    return p.ChartLeft + int(std::nearbyint((t - std::trunc(viewStart)) * p.DayWidth));
}

int DayWidthFromText(const QString& text, int lastWidth)
{
    bool ok = false;
    const int width = text.trimmed().toInt(&ok);
    if (!ok)
        return 2;
    return width >= 1 ? width : lastWidth;
}

QTreeWidgetItem* TopRow(const QTreeWidget* outline)
{
    if (QTreeWidgetItem* top = outline->itemAt(QPoint(1, 1)))
        return top;
    return outline->topLevelItem(0);
}

void DrawVorgangs(TDocument& doc, TCanvas& canvas, const TChartParams& p)
{
    DrawDayHeader(canvas, doc.ViewStart, p, TChart::Vorgang);
    int y = p.Top + 2 * p.RowHeight;
    const QTreeWidgetItem* selected = SelectedNode(doc.Vorgangs);
    const int right = p.AreaWidth - p.RightMargin;
    if (QTreeWidgetItem* top = TopRow(doc.Vorgangs)) {
        WalkRows(top, 0, y, p.RowHeight, p.AreaHeight, [&](QTreeWidgetItem* row, int level, int rowY) {
            const TVorgangRec& rec = VorgangOf(doc, row);
            canvas.Clip(p.ChartLeft, 0, right, p.AreaHeight);
            const TDateTime end = DrawRowGrid(canvas, doc.ViewStart, p, rowY, row == selected, 300);
            canvas.SetPen(ChartColour::Bar);
            canvas.SetBrush(ChartColour::Bar);
            DrawBar(canvas, doc.ViewStart, p, rowY, end, rec.Beginn, rec.Ende);
            canvas.Unclip();
            DrawName(canvas, p, rowY, level, row->text(0));
        });
    }
    doc.PrintSplitY = y;
}

void DrawRessourcen(const TDocument& doc, TCanvas& canvas, const TChartParams& p)
{
    DrawDayHeader(canvas, doc.ViewStart, p, TChart::Arbeiter);
    QTreeWidgetItem* top = TopRow(doc.Arbeiter);
    if (!top)
        return;
    // Each resource's bars in store order, duplicates kept, built once per repaint.
    std::unordered_map<int32_t, std::vector<std::pair<TDateTime, TDateTime>>> bars;
    for (uint32_t i = 0; i < doc.VorgangStore->Count; ++i) {
        const TVorgangRec& task = doc.VorgangAt(i);
        if (task.Deleted || task.IsSummary || !task.Resources)
            continue;
        for (uint32_t r = 0; r < task.Resources->Count; ++r)
            bars[*static_cast<const int32_t*>(task.Resources->At(r))].emplace_back(task.Beginn, task.Ende);
    }
    int y = p.Top + 2 * p.RowHeight;
    const QTreeWidgetItem* selected = SelectedNode(doc.Arbeiter);
    const int right = p.AreaWidth - p.RightMargin;
    WalkRows(top, 0, y, p.RowHeight - 1, p.AreaHeight, [&](QTreeWidgetItem* row, int level, int rowY) {
        canvas.Clip(p.ChartLeft, 0, right, p.AreaHeight);
        const TDateTime end = DrawRowGrid(canvas, doc.ViewStart, p, rowY, row == selected, 200);
        canvas.SetPen(ChartColour::Bar);
        canvas.SetBrush(ChartColour::Bar);
        const auto found = bars.find(ArbeiterOf(doc, row).Id);
        if (found != bars.end())
            for (const auto& [beginn, ende] : found->second)
                DrawBar(canvas, doc.ViewStart, p, rowY, end, beginn, ende);
        canvas.Unclip();
        DrawName(canvas, p, rowY, level, row->text(0));
    });
}
