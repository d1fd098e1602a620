#include "PdfExport.h"

#include "DocumentFixture.h"
#include "Outline.h"
#include "PdfExportFUnit.h"
#include "PdfPages.h"
#include "Printers.h"
#include "Printing.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr TDateTime March1 = 46082.0; // Sunday 1 March 2026
constexpr int Dpi = 600;
constexpr int Scale = 4; // pages are read back at 150 dpi
// A4 portrait at 600 dpi with the print commands' geometry: the chart starts at
// 15 + 50 mm, a screen day of 35 pixels is 194 printer pixels, rows are 70 high.
constexpr int ChartLeft = 1535;
constexpr int Day = 194;
constexpr int DaysPerPage = 15;

bool Red(const QImage& page, int x600, int y600)
{
    const QRgb pixel = page.pixel(x600 / Scale, y600 / Scale);
    return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

// y of row i (from 0) of either chart on an export page.
int RowY(int i, int advance = 70)
{
    return 354 + 140 + i * advance;
}

class PdfExport : public DocumentFixture
{
protected:
    QTemporaryDir Folder;
    QString Pdf = Folder.filePath(QStringLiteral("Umbau-Kueche.pdf"));

    TOutlineNode* Task(const char* name, TDateTime beginn, TDateTime ende, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        node->setText(0, QString::fromUtf8(name));
        VorgangOf(Doc, node).Beginn = beginn;
        VorgangOf(Doc, node).Ende = ende;
        return node;
    }

    // Three phases over 36 days (38 columns with the margins: three pages across),
    // the second collapsed, and two resources: two rows of pages.
    void BuildThreePhases()
    {
        Doc.FileName = Folder.filePath(QStringLiteral("Umbau-Kueche.zkt"));
        Doc.ViewStart = March1 + 20; // the export starts from the project, not from here
        TOutlineNode* rohbau = Task("Rohbau", March1 + 1, March1 + 12);
        Task("Mauern", March1 + 1, March1 + 10.5, rohbau);
        Task("Dach", March1 + 10.5, March1 + 20, rohbau);
        TOutlineNode* ausbau = Task("Ausbau", March1 + 20, March1 + 30);
        Task("Estrich", March1 + 20, March1 + 30, ausbau);
        SetExpanded(rohbau, true);
        Task("Abnahme", March1 + 35, March1 + 36);
        for (const char* name : {"Maurer", "Maler"})
            ArbEinf(Doc, nullptr)->setText(0, QLatin1String(name));
        *static_cast<int32_t*>(VorgangOf(Doc, Doc.Vorgangs->topLevelItem(0)->child(1)).Resources->Append()) =
            ArbeiterOf(Doc, Doc.Arbeiter->topLevelItem(0)).Id;
    }

    void Export(const TExportLayout& layout = {})
    {
        QString error;
        ASSERT_TRUE(ExportPdf(Doc, Pdf, layout, 50, 35, QDate(2026, 12, 9), error)) << error.toStdString();
    }
};

TEST_F(PdfExport, PagesGoAcrossTheDaysAndDownTheRowsWithFooters)
{
    BuildThreePhases();
    const int32_t splitY = Doc.PrintSplitY;
    Export();
    EXPECT_EQ(Doc.PrintSplitY, splitY) << "the print commands' value stays";
    ASSERT_EQ(PdfPageCount(Pdf), 6);
    const QStringList pages = PdfText(Pdf).split(u'\f');
    for (int n = 1; n <= 6; ++n) {
        const QString text = pages.value(n - 1);
        EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von 6").arg(n))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Umbau-Kueche.zkt")));
        EXPECT_TRUE(text.contains(QStringLiteral("09.12.2026")));
    }
    EXPECT_TRUE(pages.value(0).contains(QStringLiteral("Estrich")))
        << "a collapsed phase's tasks are rows too";
    EXPECT_TRUE(pages.value(1).contains(QStringLiteral("Abnahme"))) << "the name column repeats";
    EXPECT_TRUE(pages.value(3).contains(QStringLiteral("Maurer"))) << "resources start a new row of pages";
    EXPECT_FALSE(pages.value(0).contains(QStringLiteral("Maurer")));

    // Columns start a day before the first task, on 1 March: "Dach" runs from
    // column 10.5 to 20, across the edge between the first two pages.
    const QImage first = RenderPage(Pdf, 1, Dpi / Scale);
    const QImage second = RenderPage(Pdf, 2, Dpi / Scale);
    const QImage third = RenderPage(Pdf, 3, Dpi / Scale);
    ASSERT_FALSE(first.isNull() || second.isNull() || third.isNull());
    const int dach = RowY(2) + 35;
    EXPECT_FALSE(Red(first, ChartLeft + 10 * Day + 40, dach));
    EXPECT_TRUE(Red(first, ChartLeft + 11 * Day, dach));
    EXPECT_TRUE(Red(first, ChartLeft + DaysPerPage * Day - 8, dach)) << "up to the right edge";
    EXPECT_TRUE(Red(second, ChartLeft + 8, dach)) << "on from the left edge of the next page";
    EXPECT_TRUE(Red(second, ChartLeft + (20 - DaysPerPage) * Day - 8, dach));
    EXPECT_FALSE(Red(second, ChartLeft + (20 - DaysPerPage) * Day + 8, dach)) << "ends at the same day";
    // "Abnahme", the last row, in column 35, the sixth of the third page.
    const int abnahme = RowY(5) + 35;
    EXPECT_TRUE(Red(third, ChartLeft + (35 - 2 * DaysPerPage) * Day + Day / 2, abnahme));
    // Names in the name column, indented by level.
    EXPECT_TRUE(AnyDark(first, 354 / Scale, RowY(0) / Scale, 460 / Scale, (RowY(0) + 70) / Scale));
    EXPECT_FALSE(AnyDark(first, 354 / Scale, RowY(1) / Scale, 460 / Scale, (RowY(1) + 70) / Scale));
    EXPECT_TRUE(AnyDark(first, 472 / Scale, RowY(1) / Scale, 600 / Scale, (RowY(1) + 70) / Scale));
    // The resource rows: Maurer's bar is Dach's, on page 4.
    const QImage fourth = RenderPage(Pdf, 4, Dpi / Scale);
    EXPECT_TRUE(Red(fourth, ChartLeft + 11 * Day, RowY(0, 69) + 35));
    EXPECT_FALSE(Red(fourth, ChartLeft + 11 * Day, RowY(1, 69) + 35));
}

TEST_F(PdfExport, FittedToThePageWidthAndOtherPaper)
{
    BuildThreePhases();
    Export({QPageSize::A3, QPageLayout::Landscape, true});
    EXPECT_EQ(PdfPageCount(Pdf), 2) << "one page across, one for each part";
    const TPagePlan plan = PlanPages(Doc, Dpi, 9921, 7016, 50, 35, true); // A3 across at 600 dpi
    EXPECT_EQ(plan.Across, 1);
    EXPECT_EQ(plan.DaysPerPage * plan.Base.DayWidth + 1,
              plan.Base.AreaWidth - plan.Base.RightMargin - plan.Base.ChartLeft);
    EXPECT_GE(plan.DaysPerPage, 38);
    const QImage first = RenderPage(Pdf, 1, Dpi / Scale);
    EXPECT_TRUE(Red(first, plan.Base.ChartLeft + int(35.5 * plan.Base.DayWidth), RowY(5) + 35)) << "Abnahme";
}

TEST_F(PdfExport, AnEmptyProjectIsOnePageAndAFolderThatIsNoFileFails)
{
    Export();
    EXPECT_EQ(PdfPageCount(Pdf), 1);
    EXPECT_TRUE(PdfText(Pdf).contains(QStringLiteral("unbenannt.zkt")));
    QString error;
    EXPECT_FALSE(ExportPdf(Doc, Folder.path(), {}, 50, 35, QDate(2026, 12, 9), error));
    EXPECT_FALSE(error.isEmpty());
}

// A damaged file's dates may lie millennia apart: the export says so and writes
// nothing, and the file written before stays.
TEST_F(PdfExport, AProjectNeedingMillionsOfPagesIsRefused)
{
    Export();
    const QByteArray before = [&] {
        QFile file(Pdf);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    Task("Fern", 1e9, 1e9 + 1);
    Task("Nah", 46000, 46001);
    QString error;
    EXPECT_FALSE(ExportPdf(Doc, Pdf, {}, 50, 35, QDate(2026, 12, 9), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Das Projekt bräuchte"))) << error.toStdString();
    QFile file(Pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(PdfExportNames, TheProjectsNameWithPdfIsProposed)
{
    EXPECT_EQ(ProposedPdfName(QStringLiteral("/home/a/Umbau-Kueche.zkt")),
              QStringLiteral("/home/a/Umbau-Kueche.pdf"));
    EXPECT_EQ(ProposedPdfName(QString()), QStringLiteral("unbenannt.pdf"));
    EXPECT_EQ(FooterFileName(QStringLiteral("/home/a/Umbau-Kueche.zkt")), QStringLiteral("Umbau-Kueche.zkt"));
}

} // namespace
