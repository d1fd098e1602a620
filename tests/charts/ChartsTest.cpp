#include "Charts.h"

#include "Canvas.h"
#include "DocumentFixture.h"
#include "Outline.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr TDateTime March1 = 46082.0; // Sunday 1 March 2026
const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);

class ChartPixels : public DocumentFixture
{
protected:
    QImage Image{400, 240, QImage::Format_RGB32};
    TChartParams Params;

    void SetUp() override
    {
        DocumentFixture::SetUp();
        Doc.ViewStart = March1 + 14.5 / 24; // the time of day plays no part
        Params.AreaWidth = Image.width();
        Params.AreaHeight = Image.height();
    }

    void DrawTasks()
    {
        QPainter painter(&Image);
        TCanvas canvas(painter);
        DrawVorgangs(Doc, canvas, Params);
    }
    void DrawResources()
    {
        QPainter painter(&Image);
        TCanvas canvas(painter);
        DrawRessourcen(Doc, canvas, Params);
    }
    TOutlineNode* Task(TDateTime beginn, TDateTime ende, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        VorgangOf(Doc, node).Beginn = beginn;
        VorgangOf(Doc, node).Ende = ende;
        return node;
    }
    void Assign(TOutlineNode* task, TOutlineNode* resource)
    {
        *static_cast<int32_t*>(VorgangOf(Doc, task).Resources->Append()) = ArbeiterOf(Doc, resource).Id;
    }
    QColor At(int x, int y) const { return Image.pixelColor(x, y); }
};

TEST_F(ChartPixels, ADayLongTaskFillsOneColumnWithBothBorders)
{
    Task(March1 + 2, March1 + 3);
    DrawTasks();
    const int y = 34 + 2;
    EXPECT_EQ(At(70, y), Red);
    EXPECT_EQ(At(105, y), Red);
    EXPECT_EQ(At(87, 34 + 14), Red);
    EXPECT_NE(At(69, y), Red);
    EXPECT_NE(At(106, y), Red);
    EXPECT_NE(At(87, 34 + 15), Red) << "13 pixel rows from y + 2";
    EXPECT_NE(At(87, 34 + 1), Red);
}

TEST_F(ChartPixels, ATaskEndingAtTheFirstMidnightShowsOnePixel)
{
    Task(March1 - 3, March1);
    Task(March1 - 3, March1 - 0.01);
    DrawTasks();
    EXPECT_EQ(At(0, 34 + 5), Red);
    EXPECT_NE(At(1, 34 + 5), Red);
    EXPECT_NE(At(0, 51 + 5), Red) << "a task ending earlier shows no bar";
}

TEST_F(ChartPixels, BarsAreCutAtBothEndsOfTheChartArea)
{
    Params.ChartLeft = 40;
    Params.RightMargin = 30;
    Task(March1 - 5, March1 + 100);
    DrawTasks();
    EXPECT_EQ(At(40, 40), Red);
    EXPECT_NE(At(39, 40), Red);
    EXPECT_EQ(At(369, 40), Red);
    EXPECT_NE(At(370, 40), Red);
}

TEST_F(ChartPixels, SelectedRowIsTintedOnScreenOnly)
{
    TOutlineNode* t = Task(March1 + 10, March1 + 11);
    Vorgangs.setCurrentItem(t);
    DrawTasks();
    EXPECT_EQ(At(20, 40), QColor(210, 210, 255));
    Image.fill(White);
    Params.ForPrinter = true;
    DrawTasks();
    EXPECT_EQ(At(20, 40), White);
}

TEST_F(ChartPixels, CollapsedChildrenHaveNoRows)
{
    TOutlineNode* parent = Task(March1, March1 + 1);
    Task(March1 + 4, March1 + 5, parent);
    Task(March1 + 6, March1 + 7);
    DrawTasks();
    EXPECT_EQ(Doc.PrintSplitY, 34 + 2 * 17);
    EXPECT_EQ(At(6 * 35 + 10, 51 + 5), Red) << "the second row is the next top-level task";

    parent->setExpanded(true);
    DrawTasks();
    EXPECT_EQ(Doc.PrintSplitY, 34 + 3 * 17);
    EXPECT_EQ(At(4 * 35 + 10, 51 + 5), Red);
}

TEST_F(ChartPixels, EmptyOutlineDrawsTheHeaderAlone)
{
    Image.fill(Qt::black);
    DrawTasks();
    EXPECT_EQ(Doc.PrintSplitY, 34);
    EXPECT_EQ(At(50, 100), White);
    EXPECT_EQ(At(50, 33), Qt::black) << "lower edge of the day row";
}

TEST_F(ChartPixels, RowsBelowTheSurfaceCountForTheSplit)
{
    for (int i = 0; i < 30; ++i)
        Task(March1, March1 + 1);
    DrawTasks();
    EXPECT_EQ(Doc.PrintSplitY, 34 + 30 * 17);
}

TEST_F(ChartPixels, HourLinesFromDayWidth300)
{
    Task(March1 + 5, March1 + 6);
    Params.DayWidth = 300;
    DrawTasks();
    const QColor hourLine(220, 220, 220);
    EXPECT_EQ(At(13, 34 + 13), hourLine) << "hour 1 at 301 / 24 rounded";
    Params.DayWidth = 299;
    DrawTasks();
    EXPECT_NE(At(13, 34 + 13), hourLine);
}

TEST_F(ChartPixels, ResourceHourLinesFromDayWidth200)
{
    ArbEinf(Doc, nullptr);
    Params.DayWidth = 250;
    DrawResources();
    EXPECT_EQ(At(10, 34 + 13), QColor(220, 220, 220)) << "hour 1 at 251 / 24 rounded";
}

TEST_F(ChartPixels, MonthLabelsOnTheFirstColumnAndAtAMonthChange)
{
    Doc.ViewStart = March1 + 29; // 30 March
    Task(March1, March1);
    DrawTasks();
    EXPECT_EQ(At(70, 16), Qt::black) << "1 April starts a month";
    EXPECT_EQ(At(35, 16), QColor(210, 210, 210));
    bool label = false;
    for (int x = 8; x < 30; ++x)
        label = label || At(x, 8) != QColor(210, 210, 210);
    EXPECT_TRUE(label) << "the first column carries a month label";
}

TEST_F(ChartPixels, ResourceHeaderLeavesAWhiteLine)
{
    DrawTasks();
    EXPECT_EQ(At(10, 16), QColor(210, 210, 210));
    DrawResources();
    EXPECT_EQ(At(10, 16), White);
    EXPECT_EQ(At(10, 15), Qt::black);
}

TEST_F(ChartPixels, ResourceRowsShowTheirTasksBars)
{
    TOutlineNode* anna = ArbEinf(Doc, nullptr);
    TOutlineNode* ben = ArbEinf(Doc, nullptr);
    Assign(Task(March1 + 1, March1 + 3), anna);
    Assign(Task(March1 + 2, March1 + 4), anna);
    Assign(Task(March1 + 6, March1 + 7), anna);
    TOutlineNode* summary = Task(March1, March1 + 9);
    Task(March1 + 8, March1 + 9, summary);
    VorgangOf(Doc, summary).IsSummary = 1;
    Assign(summary, ben);
    TOutlineNode* gone = Task(March1 + 1, March1 + 2);
    Assign(gone, ben);
    RemoveNode(Doc, TOutlineKind::Vorgang, gone);

    DrawResources();
    for (int x = 35; x <= 140; ++x)
        ASSERT_EQ(At(x, 40), Red) << "overlapping bars merge, x = " << x;
    EXPECT_NE(At(160, 40), Red) << "a gap between bars";
    EXPECT_EQ(At(230, 40), Red);
    for (int x = 0; x < 400; x += 5)
        ASSERT_NE(At(x, 50 + 6), Red) << "summary and deleted tasks have no bars, x = " << x;
}

TEST_F(ChartPixels, ResourceRowsFollowEvery16Pixels)
{
    TOutlineNode* a = ArbEinf(Doc, nullptr);
    TOutlineNode* b = ArbEinf(Doc, nullptr);
    Assign(Task(March1, March1 + 1), b);
    (void)a;
    DrawResources();
    EXPECT_EQ(At(10, 34 + 16 + 2), Red);
    EXPECT_NE(At(10, 34 + 16 + 1), Red);
    EXPECT_EQ(At(10, 50), QColor(196, 196, 196)) << "adjacent rows share one grid line";
}

// A whole project's pairs are sorted by counting; they must come out as a sort of
// the pairs would give them, for Ids of every sign and size.
TEST_F(ChartPixels, TheResourceIndexOfAWholeProjectIsInPairOrder)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> near(-70000, 70000);
    const int32_t far[] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 1 << 20};
    std::vector<std::pair<int32_t, uint32_t>> expected;
    for (uint32_t i = 0; i < 34000; ++i) {
        TDynaArray* list = VorgangOf(Doc, VorgEinf(Doc, nullptr)).Resources;
        for (int r = 0; r < 2; ++r) {
            const int32_t id = random() % 50 == 0 ? far[random() % 3] : near(random);
            *static_cast<int32_t*>(list->Append()) = id;
            expected.emplace_back(id, i);
        }
    }
    std::sort(expected.begin(), expected.end());
    ArbEinf(Doc, nullptr);
    TResourceIndex index;
    QPainter painter(&Image);
    TCanvas canvas(painter);
    DrawRessourcen(Doc, canvas, Params, &index);
    ASSERT_EQ(index.Entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(index.Entries[i], expected[i]) << i;
}

TEST_F(ChartPixels, TopRowNestedChildStartsTheChart)
{
    TOutlineNode* summary = Task(March1, March1 + 1);
    std::vector<TOutlineNode*> children;
    for (int i = 0; i < 40; ++i)
        children.push_back(Task(March1, March1 + 1, summary));
    Task(March1, March1 + 1);
    summary->setExpanded(true);
    Vorgangs.resize(200, 200);
    Vorgangs.show();
    Vorgangs.scrollToItem(children[1], QAbstractItemView::PositionAtTop);
    ASSERT_EQ(TopRow(&Vorgangs), children[1]);
    DrawTasks();
    EXPECT_EQ(Doc.PrintSplitY, 34 + 39 * 17) << "the walk never climbs out of the top row's siblings";
}

TEST(DayWidth, TypedTextReadsAsAWidth)
{
    EXPECT_EQ(DayWidthFromText(QStringLiteral("120"), 35), 120);
    EXPECT_EQ(DayWidthFromText(QStringLiteral("abc"), 35), 2);
    EXPECT_EQ(DayWidthFromText(QString(), 35), 2);
    EXPECT_EQ(DayWidthFromText(QStringLiteral("0"), 35), 35);
    EXPECT_EQ(DayWidthFromText(QStringLiteral("-5"), 40), 40);
    EXPECT_EQ(DayWidthFromText(QStringLiteral("1"), 40), 1);
}

TEST(TimeToX, HalvesGoToTheEvenNeighbour)
{
    TChartParams p;
    p.DayWidth = 1;
    EXPECT_EQ(TimeToX(100.5, 100.9, p), 0);
    EXPECT_EQ(TimeToX(101.5, 100.9, p), 2);
    p.ChartLeft = 7;
    p.DayWidth = 35;
    EXPECT_EQ(TimeToX(102.0, 100.2, p), 7 + 70);
}

} // namespace
