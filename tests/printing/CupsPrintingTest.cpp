#include "DocumentFixture.h"
#include "Outline.h"
#include "PdfPages.h"
#include "Printers.h"
#include "Printing.h"
#include "PrivateCups.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <gtest/gtest.h>

namespace {

constexpr TDateTime March1 = 46082.0; // Sunday 1 March 2026

// The three print commands through the system's printing: a private CUPS
// scheduler with a cups-pdf queue as the default printer.
class CupsPrinting : public DocumentFixture
{
protected:
    static inline TPrivateCups* Cups = nullptr;

    static void SetUpTestSuite() { Cups = new TPrivateCups(); }
    static void TearDownTestSuite()
    {
        delete Cups;
        Cups = nullptr;
    }
    void SetUp() override
    {
        if (!Cups->Problem().isEmpty())
            GTEST_SKIP() << "no private CUPS scheduler: " << Cups->Problem().toStdString();
        DocumentFixture::SetUp();
        Doc.ViewStart = March1;
        TOutlineNode* bau = VorgEinf(Doc, nullptr);
        bau->setText(0, QStringLiteral("Rohbau"));
        VorgangOf(Doc, bau).Beginn = March1 + 1;
        VorgangOf(Doc, bau).Ende = March1 + 3;
        TOutlineNode* maurer = ArbEinf(Doc, nullptr);
        maurer->setText(0, QStringLiteral("Maurer"));
        *static_cast<int32_t*>(VorgangOf(Doc, bau).Resources->Append()) = ArbeiterOf(Doc, maurer).Id;
    }

    // Prints through the queue and returns the PDF that arrives.
    QString Print(QPrinter& printer, TPrintout printout, int nameColumnMm)
    {
        const QStringList before = Cups->Pdfs();
        PrintCharts(Doc, printer, printout, nameColumnMm, 35);
        const QString pdf = Cups->WaitForNewPdf(before, 30000);
        EXPECT_FALSE(pdf.isEmpty()) << "no PDF arrived; scheduler log:\n" << Cups->Log().toStdString();
        return pdf;
    }
};

TEST_F(CupsPrinting, QtSeesTheQueueAsTheDefaultPrinter)
{
    EXPECT_EQ(QPrinterInfo::defaultPrinter().printerName(), QLatin1String(TPrivateCups::QueueName));
    QPrinter printer(QPrinter::HighResolution);
    EXPECT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    EXPECT_EQ(printer.printerName(), QLatin1String(TPrivateCups::QueueName));
}

TEST_F(CupsPrinting, EachCommandPrintsOnePageWithThePaperGeometry)
{
    QPrinter printer(QPrinter::HighResolution);
    const int dpi = printer.resolution();
    const QPoint origin = printer.pageLayout().paintRectPixels(dpi).topLeft();
    const int margin = PaperPixels(15, dpi);
    const int row = PaperPixels(3, dpi);
    struct TCase
    {
        TPrintout Printout;
        int NameColumn;
    };
    for (const TCase& c : {TCase{TPrintout::Vorgaenge, 50}, TCase{TPrintout::Ressourcen, 30},
                           TCase{TPrintout::VorgaengeUndRessourcen, 0}}) {
        SCOPED_TRACE(PrintJobTitle(c.Printout).toStdString());
        const QString pdf = Print(printer, c.Printout, c.NameColumn);
        if (pdf.isEmpty())
            continue;
        EXPECT_EQ(PdfPageCount(pdf), 1);
        const int chartLeft = origin.x() + PaperPixels(15.0 + c.NameColumn, dpi);
        const int top = origin.y() + margin;
        const QImage page = RenderFirstPage(pdf, dpi, QSize(chartLeft + 400, top + 4 * row));
        ASSERT_FALSE(page.isNull());
        // A job whose filters failed still reaches cups-pdf, which then makes an
        // empty page; say why rather than let every probe below miss.
        if (!AnyDark(page, 0, 0, page.width(), page.height())) {
            ADD_FAILURE() << "the page arrived blank, nothing dark in its top-left corner; scheduler folder "
                          << Cups->Root().toStdString() << "; " << Cups->JobErrors().toStdString();
            continue;
        }
        EXPECT_NEAR(FirstDarkInRow(page, top + row / 2), chartLeft, 2) << "left edge at 15 + W mm";
        const int headerTop = FirstDarkInColumn(page, chartLeft + 3);
        EXPECT_NEAR(headerTop, top, 2) << "top at 15 mm";
        const int monthBottom = FirstDarkInColumn(page, chartLeft + 3, headerTop + row / 2);
        EXPECT_NEAR(monthBottom - headerTop, row, 2) << "rows 3 mm high";
        const bool names = AnyDark(page, origin.x() + margin, top + 2 * row, chartLeft, top + 3 * row);
        EXPECT_EQ(names, c.NameColumn > 0) << "a name in the first row";
    }
}

// What the preview shows is what its print button sends to the printer, and that
// is the very page of "Vorgänge und Ressourcen drucken".
TEST_F(CupsPrinting, ThePreviewPrintsThePageOfTheCommand)
{
    QPrinter printer(QPrinter::HighResolution);
    const QString printed = Print(printer, TPrintout::VorgaengeUndRessourcen, 50);
    const auto dialog = MakePrintPreview(Doc, printer, 50, 35, nullptr);
    auto* preview = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(preview, nullptr);
    preview->updatePreview();
    EXPECT_EQ(preview->pageCount(), 1);
    const QStringList before = Cups->Pdfs();
    preview->print();
    const QString fromPreview = Cups->WaitForNewPdf(before, 30000);
    ASSERT_FALSE(printed.isEmpty() || fromPreview.isEmpty()) << Cups->Log().toStdString();
    EXPECT_EQ(PdfPageCount(fromPreview), 1);
    const QImage expected = RenderFirstPage(printed, 150);
    const QImage actual = RenderFirstPage(fromPreview, 150);
    ASSERT_FALSE(expected.isNull());
    ASSERT_TRUE(AnyDark(expected, 0, 0, expected.width(), expected.height()));
    EXPECT_TRUE(actual == expected) << "the preview's print differs from the command's";
}

} // namespace
