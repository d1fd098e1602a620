#include "MainUnit.h"
#include "Outline.h"
#include "PdfPages.h"
#include "ScriptedModal.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ExtrasMenu : public testing::Test
{
protected:
    QTemporaryDir Dir;
    TMainForm Form;
    TScriptedModal Modal;
    TDocument& Doc = Form.Doc();

    ExtrasMenu()
    {
        Form.SetModal(&Modal);
        for (int i = 0; i < 3; ++i) {
            TVorgangRec& rec = VorgangOf(Doc, VorgEinf(Doc, nullptr));
            rec.Beginn = 46082 + 20 * i;
            rec.Ende = rec.Beginn + 10;
        }
    }
    ~ExtrasMenu() override { Form.SetModal(nullptr); }

    void Trigger(const char* name) { Form.findChild<QAction*>(QLatin1String(name))->trigger(); }
};

// The export asks for paper and orientation first, proposes the project's name,
// writes the file chosen, and remembers the paper for the next export.
TEST_F(ExtrasMenu, ExportAsksForThePaperThenTheFileAndRemembersThePaper)
{
    Doc.FileName = Dir.filePath(QStringLiteral("Umbau-Kueche.zkt"));
    const QString pdf = Dir.filePath(QStringLiteral("plan.pdf"));
    Modal.Dialogs.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("PdfExportForm"));
        dialog.findChild<QComboBox*>(QStringLiteral("Ausrichtung"))->setCurrentIndex(1);
        dialog.findChild<QCheckBox*>(QStringLiteral("Anpassen"))->setChecked(true);
        return int(QDialog::Accepted);
    });
    Modal.Dialogs.push_back([&](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        EXPECT_EQ(files.nameFilters(), QStringList{QStringLiteral("PDF-Dateien (*.pdf)")});
        EXPECT_EQ(files.defaultSuffix(), QStringLiteral("pdf"));
        EXPECT_EQ(QFileInfo(files.selectedFiles().value(0)).fileName(), QStringLiteral("Umbau-Kueche.pdf"));
        files.selectFile(pdf);
        return int(QDialog::Accepted);
    });
    Trigger("ExtrasAlsPDFexportieren1");
    EXPECT_EQ(PdfPageCount(pdf), 1) << "fitted to a landscape page";
    EXPECT_FALSE(Doc.Changed);

    Modal.Dialogs.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("Ausrichtung"))->currentIndex(), 1);
        EXPECT_TRUE(dialog.findChild<QCheckBox*>(QStringLiteral("Anpassen"))->isChecked());
        return int(QDialog::Rejected);
    });
    Trigger("ExtrasAlsPDFexportieren1");
    EXPECT_TRUE(Modal.Dialogs.empty());
}

TEST_F(ExtrasMenu, PreviewShowsOnePage)
{
    int pages = -1;
    Modal.Dialogs.push_back([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("PrintPreviewDialog1"));
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        preview->updatePreview();
        pages = preview->pageCount();
        return int(QDialog::Rejected);
    });
    Trigger("ExtrasDruckvorschau1");
    EXPECT_EQ(pages, 1);
}

} // namespace
