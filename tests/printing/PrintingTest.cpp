#include "Printing.h"

#include "Canvas.h"
#include "DocumentFixture.h"
#include "Outline.h"
#include "PdfPages.h"
#include "Printers.h"

#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace {

constexpr TDateTime March1 = 46082.0; // Sunday 1 March 2026
constexpr int Dpi = 600;
const QColor HourLine(220, 220, 220);
const QColor Red(255, 0, 0);

TEST(PaperGeometry, DefaultsAt600Dpi)
{
    const TChartParams p = PaperParams(Dpi, 4000, 6000, 50, 35);
    EXPECT_EQ(p.ChartLeft, 1535);
    EXPECT_EQ(p.Top, 354);
    EXPECT_EQ(p.NameLeft, 354);
    EXPECT_EQ(p.RightMargin, 354);
    EXPECT_EQ(p.RowHeight, 70);
    EXPECT_EQ(p.DayWidth, 194);
    EXPECT_EQ(p.AreaWidth, 4000);
    EXPECT_EQ(p.AreaHeight, 6000);
    EXPECT_TRUE(p.ForPrinter);
    EXPECT_TRUE(p.DrawNames);
}

// 25.39995 mm to the inch, one truncation at the end of each figure.
TEST(PaperGeometry, ConversionIsTruncatedOnceAtTheEnd)
{
    EXPECT_EQ(PaperPixels(25.39995, Dpi), 600) << "an inch of 25.4 mm would give 599";
    EXPECT_EQ(PaperPixels(15, 300), 177);
    EXPECT_EQ(PaperParams(Dpi, 1, 1, 50, 40).DayWidth, 222) << "40 * 4/17 mm, not 9 mm";
    EXPECT_EQ(PaperParams(Dpi, 1, 1, 50, 17).DayWidth, 94);
    EXPECT_EQ(PaperParams(Dpi, 1, 1, 0, 35).ChartLeft, 354);
    EXPECT_EQ(PaperParams(300, 1, 1, 50, 35).ChartLeft, 767);
    EXPECT_EQ(PaperParams(Dpi, 1, 1, -20, 35).ChartLeft, -118);
}

TEST(PaperGeometry, HugeWidthsAreHeldAtTheEndsOfTheRange)
{
    EXPECT_EQ(PaperPixels(1e12, Dpi), std::numeric_limits<int>::max());
    EXPECT_EQ(PaperPixels(-1e12, Dpi), std::numeric_limits<int>::min());
    EXPECT_EQ(PaperParams(Dpi, 1, 1, std::numeric_limits<int>::max(), 35).ChartLeft,
              std::numeric_limits<int>::max());
}

TEST(PrintJobTitles, NameWhatIsPrinted)
{
    EXPECT_EQ(PrintJobTitle(TPrintout::VorgaengeUndRessourcen),
              QStringLiteral("Projekt Vorgänge/Ressourcen drucken"));
    EXPECT_EQ(PrintJobTitle(TPrintout::Vorgaenge), QStringLiteral("Projekt Vorgänge drucken"));
    EXPECT_EQ(PrintJobTitle(TPrintout::Ressourcen), QStringLiteral("Projekt Ressourcen drucken"));
}

// A sample project drawn onto a page-sized image at 600 dpi (a 120 x 150 mm page).
class PaperPage : public DocumentFixture
{
protected:
    QImage Page{2834, 3543, QImage::Format_RGB32};

    void SetUp() override
    {
        DocumentFixture::SetUp();
        Doc.ViewStart = March1;
        Page.setDotsPerMeterX(int(Dpi / 0.0254));
        Page.setDotsPerMeterY(int(Dpi / 0.0254));
    }
    void Draw(TPrintout printout, int nameColumnMm = 50, int dayWidth = 35)
    {
        Page.fill(Qt::white);
        QPainter painter(&Page);
        TCanvas canvas(painter);
        DrawPrintout(Doc, canvas, printout, Dpi, Page.width(), Page.height(), nameColumnMm, dayWidth);
    }
    TOutlineNode* Task(const char* name, TDateTime beginn, TDateTime ende, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        node->setText(0, QString::fromUtf8(name));
        VorgangOf(Doc, node).Beginn = beginn;
        VorgangOf(Doc, node).Ende = ende;
        return node;
    }
    TOutlineNode* Resource(const char* name)
    {
        TOutlineNode* node = ArbEinf(Doc, nullptr);
        node->setText(0, QString::fromUtf8(name));
        return node;
    }
    // y of task row i (from 0) with the defaults: header 354 + 2 * 70.
    static int TaskRow(int i) { return 494 + i * 70; }
};

TEST_F(PaperPage, NamesIndentFiveMillimetresPerLevelAndStayInTheirColumn)
{
    TOutlineNode* bau = Task("Bau", March1, March1 + 3);
    Task("Keller mit einer sehr langen Beschreibung, die nicht in die Spalte passt", March1, March1 + 1, bau);
    bau->setExpanded(true);
    Draw(TPrintout::Vorgaenge, 20);
    const int chartLeft = 826; // 35 mm
    const int first = FirstDarkInRow(Page, TaskRow(0) + 30);
    EXPECT_GE(first, 354);
    EXPECT_LE(first, 354 + 10);
    const int nested = FirstDarkInRow(Page, TaskRow(1) + 30);
    EXPECT_GE(nested, 354 + 118) << "one level in: 5 mm further right";
    EXPECT_LE(nested, 354 + 118 + 10);
    EXPECT_FALSE(AnyDark(Page, 0, 0, 354, Page.height())) << "nothing left of the name column";
    EXPECT_FALSE(AnyDark(Page, chartLeft + 1, TaskRow(1) + 1, chartLeft + 400, TaskRow(1) + 69))
        << "the long name is cut at the chart's left edge";
}

TEST_F(PaperPage, ANameColumnOfZeroPrintsNoNames)
{
    Task("Fundament", March1 + 1, March1 + 2);
    Resource("Maurer");
    Draw(TPrintout::VorgaengeUndRessourcen, 0);
    EXPECT_FALSE(AnyDark(Page, 0, 0, 354, Page.height()));
    EXPECT_EQ(FirstDarkInRow(Page, 354 + 35), 354) << "the chart starts 15 mm from the left";
    EXPECT_EQ(Page.pixelColor(354 + 194 + 30, TaskRow(0) + 30), Red);
}

TEST_F(PaperPage, ResourceChartFollowsTheLastTaskRow)
{
    for (int i = 0; i < 3; ++i)
        Task("Vorgang", March1 + i, March1 + i + 1);
    Resource("Maurer");
    Draw(TPrintout::VorgaengeUndRessourcen);
    ASSERT_EQ(Doc.PrintSplitY, TaskRow(3));
    EXPECT_EQ(FirstDarkInColumn(Page, 1535 + 3, TaskRow(3) - 5), TaskRow(3)) << "resource header's top";
    EXPECT_TRUE(AnyDark(Page, 354, TaskRow(3) + 140, 1535, TaskRow(3) + 210)) << "the resource's name";

    Draw(TPrintout::Ressourcen);
    EXPECT_EQ(FirstDarkInColumn(Page, 1535 + 3), 354) << "printed alone, from the top margin";
    EXPECT_TRUE(AnyDark(Page, 354, 494, 1535, 564));
}

TEST_F(PaperPage, PrintoutStartsAtTheOutlinesTopRow)
{
    for (int i = 0; i < 30; ++i)
        Task("Vorgang", March1 + i, March1 + i + 0.5);
    Vorgangs.resize(200, 120);
    Vorgangs.show();
    Vorgangs.scrollToItem(Vorgangs.topLevelItem(5), QAbstractItemView::PositionAtTop);
    ASSERT_EQ(Vorgangs.itemAt(1, 1), Vorgangs.topLevelItem(5));
    Draw(TPrintout::Vorgaenge, 50, 17); // 94 printer pixels a day
    EXPECT_EQ(Page.pixelColor(1535 + 5 * 94 + 20, TaskRow(0) + 30), Red) << "first row: the sixth task";
    EXPECT_NE(Page.pixelColor(1535 + 20, TaskRow(0) + 30), Red);
}

TEST_F(PaperPage, HourLinesFollowThePrinterPixels)
{
    TOutlineNode* task = Task("Vorgang", March1 + 10, March1 + 11);
    TOutlineNode* worker = Resource("Maurer");
    *static_cast<int32_t*>(VorgangOf(Doc, task).Resources->Append()) = ArbeiterOf(Doc, worker).Id;
    Draw(TPrintout::VorgaengeUndRessourcen, 50, 40); // 222 printer pixels a day
    const int hour1 = 1535 + 9;                      // 1535 + 223 / 24, rounded
    const int resourceRow = Doc.PrintSplitY + 140;
    EXPECT_EQ(Page.pixelColor(hour1, resourceRow + 64), HourLine) << "resource chart: hours from 200";
    for (int x = 1535 + 1; x < 1535 + 222; ++x)
        ASSERT_NE(Page.pixelColor(x, TaskRow(0) + 64), HourLine) << "task chart: hours from 300, x " << x;
}

// Printing to PDF files at 600 dpi.
class PdfPrinting : public PaperPage
{
protected:
    QTemporaryDir Folder;
    QPrinter Printer{QPrinter::HighResolution};

    void SetUp() override
    {
        PaperPage::SetUp();
        Printer.setOutputFormat(QPrinter::PdfFormat);
        Printer.setResolution(Dpi);
        Printer.setPageSize(QPageSize(QPageSize::A4));
    }
    QString Print(TPrintout printout, const char* name)
    {
        const QString file = Folder.filePath(QLatin1String(name));
        Printer.setOutputFileName(file);
        PrintCharts(Doc, Printer, printout, 50, 35);
        return file;
    }
    QPoint Origin() const { return Printer.pageLayout().paintRectPixels(Dpi).topLeft(); }
};

TEST_F(PdfPrinting, PageGeometryInTheFile)
{
    Task("Rohbau", March1 + 2, March1 + 3);
    Resource("Maurer");
    const QString file = Print(TPrintout::VorgaengeUndRessourcen, "beide.pdf");
    EXPECT_EQ(PdfPageCount(file), 1);
    EXPECT_EQ(PdfTitle(file), QStringLiteral("Projekt Vorgänge/Ressourcen drucken"));
    const QImage page = RenderFirstPage(file, Dpi);
    ASSERT_FALSE(page.isNull());
    const QPoint o = Origin();
    EXPECT_NEAR(FirstDarkInRow(page, o.y() + 354 + 35), o.x() + 1535, 1) << "chart's left edge at 65 mm";
    const int top = FirstDarkInColumn(page, o.x() + 1535 + 3);
    EXPECT_NEAR(top, o.y() + 354, 1) << "top at 15 mm";
    const int dayRowBottom = FirstDarkInColumn(page, o.x() + 1535 + 3, top + 71);
    EXPECT_NEAR(dayRowBottom - top, 139, 1) << "two header rows of 70 pixels";
    EXPECT_TRUE(AnyDark(page, o.x() + 354, o.y() + 494, o.x() + 1535, o.y() + 564)) << "the task's name";
}

TEST_F(PdfPrinting, ManyTasksStillOnePage)
{
    for (int i = 0; i < 300; ++i)
        Task("Vorgang", March1 + i % 20, March1 + i % 20 + 2);
    Resource("Maurer");
    const QString file = Print(TPrintout::VorgaengeUndRessourcen, "viele.pdf");
    EXPECT_EQ(PdfPageCount(file), 1);
    EXPECT_GT(Doc.PrintSplitY, Printer.height()) << "the resource chart falls below the page";
}

TEST_F(PdfPrinting, WithoutAPrinterNothingStarts)
{
    Printer.setOutputFileName(QString());
    bool drawn = false;
    try {
        RunPrintJob(Printer, QStringLiteral("Titel"), [&](TCanvas&, int, int, int) { drawn = true; });
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Zur Zeit ist kein Standard-Drucker gewählt");
    }
    EXPECT_FALSE(drawn);
}

TEST_F(PdfPrinting, ADrawingFailureEndsTheJobAndPassesTheErrorOn)
{
    const QString file = Folder.filePath(QStringLiteral("kaputt.pdf"));
    Printer.setOutputFileName(file);
    EXPECT_THROW(RunPrintJob(Printer, QStringLiteral("Titel"),
                             [](TCanvas&, int, int, int) { throw std::runtime_error("Zeichenfehler"); }),
                 std::runtime_error);
    EXPECT_NE(Printer.printerState(), QPrinter::Active) << "the job is not left open";

    Task("Rohbau", March1 + 2, March1 + 3);
    const QString next = Print(TPrintout::Vorgaenge, "danach.pdf");
    EXPECT_EQ(PdfPageCount(next), 1) << "the printer takes the next job";
    EXPECT_EQ(PdfTitle(next), QStringLiteral("Projekt Vorgänge drucken"));
}

} // namespace
