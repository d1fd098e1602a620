#include "DruckeinstellungenFUnit.h"
#include "Errors.h"
#include "MainUnit.h"
#include "Outline.h"
#include "PdfPages.h"
#include "PrintSettings.h"
#include "Printers.h"
#include "ScriptedModal.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The print commands as the main window runs them, with the settings file in the
// tests' own configuration folder.
class PrintCommands : public testing::Test
{
protected:
    TScriptedModal Modal;
    std::vector<QString> Errors;
    std::unique_ptr<TMainForm> Form;
    QTemporaryDir Folder;

    void SetUp() override
    {
        QFile::remove(PrintSettingsPath());
        SetErrorReporter([this](const QString& text) { Errors.push_back(text); });
    }
    void TearDown() override
    {
        Form.reset();
        SetErrorReporter(nullptr);
        QFile::remove(PrintSettingsPath());
    }
    void MakeForm()
    {
        Form = std::make_unique<TMainForm>();
        Form->SetModal(&Modal);
    }
    void Trigger(const char* name) { Form->findChild<QAction*>(QLatin1String(name))->trigger(); }
    static void WriteSettings(const char* text)
    {
        QDir().mkpath(QFileInfo(PrintSettingsPath()).absolutePath());
        QFile file(PrintSettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
};

TEST_F(PrintCommands, SettingsFileIsNamedLikeTheProgram)
{
    EXPECT_TRUE(PrintSettingsPath().endsWith(QStringLiteral("/Zeitkant/app_tests.INI")));
    EXPECT_TRUE(PrintSettingsPath().startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
}

TEST_F(PrintCommands, TheFirstShowingRestoresTheWidthAndTheEndSavesIt)
{
    WriteSettings("[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=72\n");
    MakeForm();
    EXPECT_EQ(Form->DruckeinstellungenForm().Width(), 50) << "not before the first showing";
    Form->show();
    EXPECT_EQ(Form->DruckeinstellungenForm().Width(), 72);
    WriteSettings("[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=abc\n");
    Form.reset();
    EXPECT_EQ(ReadPrintSettings(PrintSettingsPath()).Width, 72) << "saved as the program ends";
}

TEST_F(PrintCommands, LettersInTheFileLeaveTheWidthAt50)
{
    WriteSettings("[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=abc\n");
    MakeForm();
    Form->show();
    EXPECT_EQ(Form->DruckeinstellungenForm().Width(), 50);
}

TEST_F(PrintCommands, DialogsGoThroughTheModalSeam)
{
    MakeForm();
    Modal.Dialogs.push_back([](QDialog& dialog) {
        dialog.findChild<QSpinBox*>(QStringLiteral("BreitSpalteNameEd"))->setValue(20);
        dialog.done(QDialog::Rejected);
        return QDialog::Rejected;
    });
    Modal.Dialogs.push_back([](QDialog&) { return QDialog::Rejected; });
    Trigger("DateiDruckeinstellungen1");
    Trigger("DateiDruckereinrichten1");
    EXPECT_EQ(Modal.DialogsShown, (std::vector<QString>{QStringLiteral("DruckeinstellungenForm"),
                                                        QStringLiteral("PrinterSetupDialog1")}));
    EXPECT_EQ(Form->DruckeinstellungenForm().Width(), 20) << "no cancel: the width stays however it closes";
    EXPECT_EQ(ReadPrintSettings(PrintSettingsPath()).Width, 20);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PrintCommands, APdfFileChosenInThePrinterSetUpPrintsAt600Dpi)
{
    MakeForm();
    QPrinter& printer = Form->Printer();
    auto choosePdf = [&printer](QDialog&) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(1200);
        return int(QDialog::Accepted);
    };
    Modal.Dialogs.push_back(choosePdf);
    Trigger("DateiDruckereinrichten1");
    EXPECT_EQ(printer.resolution(), 600);

    printer.setResolution(1200);
    Modal.Dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    Trigger("DateiDruckereinrichten1");
    EXPECT_EQ(printer.resolution(), 1200) << "a cancelled set-up changes nothing";

    Modal.Dialogs.push_back([&printer](QDialog&) {
        printer.setResolution(300);
        return int(QDialog::Accepted);
    });
    Trigger("DateiDruckereinrichten1");
    EXPECT_EQ(printer.resolution(), 300) << "a lower resolution stays";
}

TEST_F(PrintCommands, NoPrinterShowsTheErrorAndPrintsNothing)
{
    MakeForm();
    Form->Printer().setOutputFormat(QPrinter::PdfFormat);
    Form->Printer().setOutputFileName(QString());
    for (const char* name :
         {"DateiVorgngedrucken2", "DateiRessourcendrucken1", "VorgangeundRessourcenDrucken"})
        Trigger(name);
    EXPECT_EQ(Errors, std::vector<QString>(3, QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt")));
}

TEST_F(PrintCommands, PrintingUsesTheNameColumnWidthAndTheDayWidth)
{
    MakeForm();
    Modal.Dialogs.push_back([](QDialog& dialog) {
        dialog.findChild<QSpinBox*>(QStringLiteral("BreitSpalteNameEd"))->setValue(0);
        return QDialog::Accepted;
    });
    Trigger("DateiDruckeinstellungen1");
    TOutlineNode* task = VorgEinf(Form->Doc(), nullptr);
    VorgangOf(Form->Doc(), task).Beginn = Form->Doc().ViewStart;
    VorgangOf(Form->Doc(), task).Ende = Form->Doc().ViewStart + 1;
    QPrinter& printer = Form->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    const QString file = Folder.filePath(QStringLiteral("vorgaenge.pdf"));
    printer.setOutputFileName(file);
    Trigger("DateiVorgngedrucken2");
    ASSERT_TRUE(Errors.empty()) << Errors[0].toStdString();
    EXPECT_EQ(PdfPageCount(file), 1);
    EXPECT_EQ(PdfTitle(file), QStringLiteral("Projekt Vorgänge drucken"));
    const QImage page = RenderFirstPage(file, 600);
    const QPoint o = printer.pageLayout().paintRectPixels(600).topLeft();
    EXPECT_NEAR(FirstDarkInRow(page, o.y() + 354 + 35), o.x() + 354, 1) << "no name column";
    EXPECT_FALSE(Form->Doc().Changed) << "printing changes nothing";
}

} // namespace
