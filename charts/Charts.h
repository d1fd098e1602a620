#pragma once

#include "Document.h"

#include <QColor>
#include <QFont>
#include <utility>
#include <vector>

class TCanvas;
class TOutlineTree;
class TOutlineNode;

// Where and how a chart is drawn: the same parameters serve the screen bitmap and
// the printed page. The chart area runs from ChartLeft to AreaWidth - RightMargin
// over the whole height; the name column from NameLeft to ChartLeft.
struct TChartParams
{
    int ChartLeft = 0;
    int Top = 0;
    int AreaWidth = 0;
    int AreaHeight = 0;
    int DayWidth = 35;
    int RowHeight = 17;
    bool ForPrinter = false; // no clearing first, no tint for the selected row
    int NameLeft = 0;
    int RightMargin = 0;
    bool DrawNames = false;
    // The whole project instead of what the window shows: every row as if every
    // node were expanded, from the outline's first row on, the first FirstRow rows
    // left out; days from Start instead of the document's ViewStart.
    bool WholeProject = false;
    int FirstRow = 0;
    TDateTime Start = 0;
};

namespace ChartColour {
const QColor Row(255, 255, 255);
const QColor SelectedRow(210, 210, 255);
const QColor Grid(196, 196, 196);
const QColor HourLine(220, 220, 220);
const QColor HourNumber(128, 128, 128);
const QColor Bar(255, 0, 0);
const QColor MonthRow(210, 210, 210);
const QColor DayCell(225, 225, 225);
} // namespace ChartColour

// "Arial", 11 pixels high on screen; on paper 8 points.
QFont ChartFont(bool forPrinter);

// x of a date-time: ChartLeft plus the nearest integer (a half to even) to the days
// since the first visible day's midnight times the day width.
int TimeToX(TDateTime t, TDateTime viewStart, const TChartParams& p);

// The day width as the day-width field's text reads while the user types: text
// that is not a whole number reads as 2; a width below 1 keeps the last one drawn.
int DayWidthFromText(const QString& text, int lastWidth);

// The first row visible in the outline's scrolled window, or its first node.
TOutlineNode* TopRow(const TOutlineTree* outline);

// How many rows follow an outline's top row, kept between repaints of the screen
// chart so that a repaint costs what is visible. Whoever keeps one calls Forget()
// whenever the outline gains, loses or moves a node or one is expanded or
// collapsed; a new top row is noticed by the drawing itself.
struct TRowCountCache
{
    const TOutlineNode* Top = nullptr;
    int Rows = 0;
    void Forget() { Top = nullptr; }
};

// Which tasks name which resource Ids, kept between repaints of the screen's
// resource chart so that a repaint reads only the visible resources' tasks, not
// every task's list. Tasks appended since the last repaint are taken in then, and a
// document emptied and filled again is noticed by its generation; whoever keeps
// one calls Forget() whenever tasks' resource lists may have changed otherwise (a
// undo and redo), or has one task taken in again after its list changed.
// Deletions need nothing: the drawing skips deleted tasks.
struct TResourceIndex
{
    uint64_t Generation = 0;
    uint32_t Count = 0; // tasks taken in, from store index 0
    bool Valid = false;
    std::vector<std::pair<int32_t, uint32_t>> Entries; // (resource Id, task store index), sorted
    void Forget() { Valid = false; }
};

// The resource Ids a task's list holds, in order.
std::vector<int32_t> ResourceIdsOf(const TVorgangRec& task);
// Takes task in again, whose list held before and now holds what it holds.
void RetakeTask(TResourceIndex& index, const TDocument& doc, uint32_t task,
                const std::vector<int32_t>& before);

// Both charts: the day header, then one row per outline row from the top row,
// descending only into expanded nodes. DrawVorgangs sets doc.PrintSplitY, counting
// the rows below the surface (or taking their number from rowCount).
void DrawVorgangs(TDocument& doc, TCanvas& canvas, const TChartParams& p, TRowCountCache* rowCount = nullptr);
void DrawRessourcen(const TDocument& doc, TCanvas& canvas, const TChartParams& p,
                    TResourceIndex* index = nullptr);
