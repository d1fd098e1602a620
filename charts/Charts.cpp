#include "Charts.h"

#include "Canvas.h"
#include "Clock.h"
#include "OutlineCommands.h"
#include "OutlineTree.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

enum class TChart
{
    Vorgang,
    Arbeiter,
};

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
        const QDate date = DateOfDay(d);
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

bool BarVisible(TDateTime viewStart, TDateTime end, TDateTime beginn, TDateTime ende)
{
    return std::trunc(viewStart) <= ende && std::trunc(end + 1) >= beginn;
}

void DrawBar(TCanvas& canvas, TDateTime viewStart, const TChartParams& p, int y, TDateTime end,
             TDateTime beginn, TDateTime ende)
{
    if (BarVisible(viewStart, end, beginn, ende))
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

// How a walk goes over the rows: each row advances y; rows above MinY (left out)
// or wholly below AreaHeight are counted but not drawn; with StopBelow the walk
// ends below the surface; with All every node shows its children.
struct TWalk
{
    int Advance;
    int MinY;
    int AreaHeight;
    bool StopBelow;
    bool All;
};

bool ShowsChildren(const TOutlineNode* node, bool all)
{
    return node->childCount() > 0 && (all || IsExpanded(node));
}

// The walk shared by both charts: from the `first` child of `parent` on, descending
// into the nodes that show their children, never climbing. Returns true when it
// stopped below the surface.
template <typename DrawRow>
bool WalkRows(TOutlineNode* parent, int first, int level, int& y, const TWalk& w, DrawRow& drawRow)
{
    const int count = parent->childCount();
    for (int i = first; i < count; ++i) {
        if (w.StopBelow && y >= w.AreaHeight)
            return true;
        TOutlineNode* row = parent->child(i);
        if (y >= w.MinY && y < w.AreaHeight)
            drawRow(row, level, y);
        y += w.Advance;
        if (ShowsChildren(row, w.All) && WalkRows(row, 0, level + 1, y, w, drawRow))
            return true;
    }
    return false;
}

// The chart's first row: the outline's top row, or its very first for the whole project.
TOutlineNode* FirstRowOf(const TOutlineTree* outline, const TChartParams& p)
{
    return p.WholeProject ? outline->topLevelItem(0) : TopRow(outline);
}

TDateTime StartOf(const TDocument& doc, const TChartParams& p)
{
    return p.WholeProject ? p.Start : doc.ViewStart;
}

// Walks from top, the chart's first row, with y at the first row's place; the rows
// left out come before it.
template <typename DrawRow>
bool WalkFromTop(TOutlineNode* top, int& y, int advance, const TChartParams& p, bool stopBelow,
                 DrawRow drawRow)
{
    TOutlineNode* parent = top->parent() ? top->parent() : top->treeWidget()->invisibleRootItem();
    const TWalk walk{advance, y, p.AreaHeight, stopBelow, p.WholeProject};
    y -= p.FirstRow * advance;
    return WalkRows(parent, parent->indexOfChild(top), 0, y, walk, drawRow);
}

// A row's bars as pixel spans: all bars share colour and height, so drawing the
// union of their spans gives the very picture of drawing each in turn.
void DrawBarSpans(TCanvas& canvas, std::vector<std::pair<int, int>>& spans, int y, int rowHeight)
{
    std::sort(spans.begin(), spans.end());
    std::size_t i = 0;
    while (i < spans.size()) {
        auto [x1, x2] = spans[i];
        for (++i; i < spans.size() && spans[i].first <= x2; ++i)
            x2 = std::max(x2, spans[i].second);
        canvas.Rectangle(x1, y + 2, x2, y + rowHeight - 2);
    }
    spans.clear();
}

using TBars = std::vector<std::pair<TDateTime, TDateTime>>;

// A task's list and the list's block lie apart from the task, and a whole project's
// come from memory, not from the caches: the lists of the tasks further ahead are
// fetched, then the blocks of those nearer, whose lists are there by then.
void AddEntries(const TDocument& doc, uint32_t from, std::vector<std::pair<int32_t, uint32_t>>& entries)
{
    constexpr uint32_t BlocksAhead = 8;
    constexpr uint32_t ListsAhead = 2 * BlocksAhead;
    const uint32_t count = doc.VorgangStore->Count;
    for (uint32_t i = from; i < count; ++i) {
        if (i + ListsAhead < count)
            __builtin_prefetch(doc.VorgangAt(i + ListsAhead).Resources);
        if (i + BlocksAhead < count)
            if (const TDynaArray* list = doc.VorgangAt(i + BlocksAhead).Resources)
                __builtin_prefetch(list->Data);
        const TVorgangRec& task = doc.VorgangAt(i);
        if (task.Deleted || !task.Resources)
            continue;
        for (uint32_t r = 0; r < task.Resources->Count; ++r)
            entries.emplace_back(*static_cast<const int32_t*>(task.Resources->At(r)), i);
    }
}

// Sorts (Id, task) pairs that were added in task order: a stable sort by Id then
// gives the order of the pairs themselves. A whole project's pairs go by their Ids'
// two 16-bit halves in two counting passes instead of a comparison sort, which at a
// million tasks held up the first repaint after opening for a fifth of a second.
void SortNewEntries(std::vector<std::pair<int32_t, uint32_t>>::iterator begin,
                    std::vector<std::pair<int32_t, uint32_t>>::iterator end)
{
    const auto size = std::size_t(end - begin);
    if (size < (std::size_t(1) << 16)) {
        std::sort(begin, end);
        return;
    }
    std::vector<std::pair<int32_t, uint32_t>> other(size);
    auto* from = &*begin;
    auto* to = other.data();
    for (int shift : {0, 16}) {
        auto digit = [shift](int32_t id) { return ((uint32_t(id) ^ 0x80000000u) >> shift) & 0xffffu; };
        std::vector<std::size_t> start(std::size_t(1) << 16);
        for (std::size_t i = 0; i < size; ++i)
            ++start[digit(from[i].first)];
        std::size_t at = 0;
        for (std::size_t& slot : start)
            at += std::exchange(slot, at);
        for (std::size_t i = 0; i < size; ++i)
            to[start[digit(from[i].first)]++] = from[i];
        std::swap(from, to);
    }
}

// Brings the index up to the store: whole when forgotten or the document was
// emptied since, else only the tasks appended since.
void Update(const TDocument& doc, TResourceIndex& index)
{
    const uint32_t count = doc.VorgangStore->Count;
    if (!index.Valid || index.Generation != doc.Generation || index.Count > count) {
        index.Entries.clear();
        index.Count = 0;
    }
    const auto old = std::ptrdiff_t(index.Entries.size());
    AddEntries(doc, index.Count, index.Entries);
    SortNewEntries(index.Entries.begin() + old, index.Entries.end());
    std::inplace_merge(index.Entries.begin(), index.Entries.begin() + old, index.Entries.end());
    index.Generation = doc.Generation;
    index.Count = count;
    index.Valid = true;
}

// The bars of each row, given the rows' resource Ids, from the (Id, task) pairs of
// every task's list in Id order and, for one Id, in store order.
std::vector<TBars> BarsOfRows(const TDocument& doc, const std::vector<int32_t>& rowIds,
                              const std::vector<std::pair<int32_t, uint32_t>>& entries)
{
    std::vector<TBars> bars(rowIds.size());
    for (std::size_t r = 0; r < rowIds.size(); ++r) {
        auto it =
            std::lower_bound(entries.begin(), entries.end(), std::pair<int32_t, uint32_t>(rowIds[r], 0));
        for (; it != entries.end() && it->first == rowIds[r]; ++it) {
            const TVorgangRec& task = doc.VorgangAt(it->second);
            if (!task.Deleted && !task.IsSummary)
                bars[r].emplace_back(task.Beginn, task.Ende);
        }
    }
    return bars;
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

TOutlineNode* TopRow(const TOutlineTree* outline)
{
    if (TOutlineNode* top = outline->itemAt(QPoint(1, 1)))
        return top;
    return outline->topLevelItem(0);
}

std::vector<int32_t> ResourceIdsOf(const TVorgangRec& task)
{
    std::vector<int32_t> ids;
    if (task.Resources)
        for (uint32_t r = 0; r < task.Resources->Count; ++r)
            ids.push_back(*static_cast<const int32_t*>(task.Resources->At(r)));
    return ids;
}

void RetakeTask(TResourceIndex& index, const TDocument& doc, uint32_t task,
                const std::vector<int32_t>& before)
{
    if (!index.Valid || task >= index.Count)
        return;
    const TVorgangRec& rec = doc.VorgangAt(task);
    if (!rec.Deleted && ResourceIdsOf(rec) == before)
        return;
    auto& entries = index.Entries;
    for (int32_t id : before) {
        const auto it = std::lower_bound(entries.begin(), entries.end(), std::pair(id, task));
        if (it != entries.end() && *it == std::pair(id, task))
            entries.erase(it);
    }
    if (doc.VorgangAt(task).Deleted)
        return;
    for (int32_t id : ResourceIdsOf(doc.VorgangAt(task)))
        entries.insert(std::upper_bound(entries.begin(), entries.end(), std::pair(id, task)),
                       std::pair(id, task));
}

void DrawVorgangs(TDocument& doc, TCanvas& canvas, const TChartParams& p, TRowCountCache* rowCount)
{
    const TDateTime viewStart = StartOf(doc, p);
    DrawDayHeader(canvas, viewStart, p, TChart::Vorgang);
    const int firstY = p.Top + 2 * p.RowHeight;
    int y = firstY;
    const TOutlineNode* selected = SelectedNode(doc.Vorgangs);
    const int right = p.AreaWidth - p.RightMargin;
    if (TOutlineNode* top = FirstRowOf(doc.Vorgangs, p)) {
        const bool known = rowCount && rowCount->Top == top;
        const bool stopped =
            WalkFromTop(top, y, p.RowHeight, p, known, [&](TOutlineNode* row, int level, int rowY) {
                const TVorgangRec& rec = VorgangOf(doc, row);
                canvas.Clip(p.ChartLeft, 0, right, p.AreaHeight);
                const TDateTime end = DrawRowGrid(canvas, viewStart, p, rowY, row == selected, 300);
                canvas.SetPen(ChartColour::Bar);
                canvas.SetBrush(ChartColour::Bar);
                DrawBar(canvas, viewStart, p, rowY, end, rec.Beginn, rec.Ende);
                canvas.Unclip();
                DrawName(canvas, p, rowY, level, row->text(0));
            });
        if (stopped)
            y = firstY + rowCount->Rows * p.RowHeight;
        else if (rowCount && p.RowHeight > 0)
            *rowCount = {top, (y - firstY) / p.RowHeight};
    }
    doc.PrintSplitY = y;
}

void DrawRessourcen(const TDocument& doc, TCanvas& canvas, const TChartParams& p, TResourceIndex* index)
{
    const TDateTime viewStart = StartOf(doc, p);
    DrawDayHeader(canvas, viewStart, p, TChart::Arbeiter);
    TOutlineNode* top = FirstRowOf(doc.Arbeiter, p);
    if (!top)
        return;
    struct TRow
    {
        TOutlineNode* Node;
        int Level;
        int Y;
        int32_t Id;
    };
    std::vector<TRow> rows;
    int y = p.Top + 2 * p.RowHeight;
    WalkFromTop(top, y, p.RowHeight - 1, p, true, [&](TOutlineNode* row, int level, int rowY) {
        rows.push_back({row, level, rowY, ArbeiterOf(doc, row).Id});
    });
    if (rows.empty())
        return;

    std::vector<int32_t> ids;
    for (const TRow& row : rows)
        ids.push_back(row.Id);
    TResourceIndex once;
    TResourceIndex& pairs = index ? *index : once;
    Update(doc, pairs);
    const std::vector<TBars> bars = BarsOfRows(doc, ids, pairs.Entries);

    const TOutlineNode* selected = SelectedNode(doc.Arbeiter);
    const int right = p.AreaWidth - p.RightMargin;
    std::vector<std::pair<int, int>> spans;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TRow& row = rows[r];
        canvas.Clip(p.ChartLeft, 0, right, p.AreaHeight);
        const TDateTime end = DrawRowGrid(canvas, viewStart, p, row.Y, row.Node == selected, 200);
        canvas.SetPen(ChartColour::Bar);
        canvas.SetBrush(ChartColour::Bar);
        for (const auto& [beginn, ende] : bars[r])
            if (BarVisible(viewStart, end, beginn, ende))
                spans.push_back(std::minmax(TimeToX(beginn, viewStart, p), TimeToX(ende, viewStart, p) + 1));
        DrawBarSpans(canvas, spans, row.Y, p.RowHeight);
        canvas.Unclip();
        DrawName(canvas, p, row.Y, row.Level, row.Node->text(0));
    }
}
