#include "PrintSettings.h"

#include "DruckeinstellungenFUnit.h"
#include "Errors.h"
#include "Printers.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

class SettingsFile : public testing::Test
{
protected:
    QTemporaryDir Folder;
    QString Path = Folder.filePath(QStringLiteral("zeitkant.INI"));
    std::vector<QString> Errors;

    void SetUp() override
    {
        SetErrorReporter([this](const QString& text) { Errors.push_back(text); });
    }
    void TearDown() override { SetErrorReporter(nullptr); }
};

TEST_F(SettingsFile, SectionIsWrittenInItsOrderAndFormats)
{
    TPrintSettingsValues values;
    values.PixelsPerInch = 96;
    values.NormPos = QRect(120, 80, 357, 215);
    values.Width = 50;
    WritePrintSettings(Path, values);
    EXPECT_EQ(ReadText(Path), QStringLiteral("[TDruckeinstellungenForm]\n"
                                             "FormVersion=0\n"
                                             "Flags=0\n"
                                             "ShowCmd=1\n"
                                             "PixelsPerInch=96\n"
                                             "MinMaxPos=-1,-1,-1,-1\n"
                                             "NormPos=120,80,477,295\n"
                                             "Visible=0\n"
                                             "BreitSpalteNameEd_Value=50\n"));
    values.Visible = true;
    values.Width = -7;
    WritePrintSettings(Path, values);
    const TStoredPrintSettings stored = ReadPrintSettings(Path);
    EXPECT_EQ(stored.Width, -7);
    EXPECT_EQ(stored.PixelsPerInch, 96);
    EXPECT_EQ(stored.NormPos, QRect(120, 80, 357, 215));
    EXPECT_TRUE(ReadText(Path).contains(QStringLiteral("\nVisible=1\n")));
}

TEST_F(SettingsFile, OtherSectionsStayWhereTheyAre)
{
    WriteText(Path, QStringLiteral("[Anderes]\nA=1\n\n[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=70\n"
                                   "Alt=x\n[Letztes]\nB=2\n"));
    WritePrintSettings(Path, TPrintSettingsValues());
    const QString text = ReadText(Path);
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("[Anderes]\nA=1\n\n[TDruckeinstellungenForm]\nFormVersion=0\n")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("BreitSpalteNameEd_Value=50\n[Letztes]\nB=2\n")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Alt=x")));
}

TEST_F(SettingsFile, ValuesThatDoNotParseAreLeftOut)
{
    WriteText(Path, QStringLiteral("[TDruckeinstellungenForm]\nPixelsPerInch=viele\nNormPos=1,2,3\n"
                                   "BreitSpalteNameEd_Value=fünfzig\n"));
    TStoredPrintSettings stored = ReadPrintSettings(Path);
    EXPECT_FALSE(stored.PixelsPerInch);
    EXPECT_FALSE(stored.NormPos);
    EXPECT_FALSE(stored.Width);

    WriteText(Path, QStringLiteral("[Anderes]\nBreitSpalteNameEd_Value=10\n[tdruckeinstellungenform]\n"
                                   " breitspaltenameed_value = 62.9 \n"));
    EXPECT_EQ(ReadPrintSettings(Path).Width, 62) << "only this section; keys in any case; a fraction cut";
    EXPECT_FALSE(ReadPrintSettings(Folder.filePath(QStringLiteral("fehlt.INI"))).Width);
    EXPECT_EQ(ParseWidth(QStringLiteral("50,5")), std::nullopt) << "the decimal separator is '.'";
    EXPECT_EQ(ParseWidth(QStringLiteral("1e20")), std::nullopt);
    EXPECT_EQ(ParseWidth(QStringLiteral("nan")), std::nullopt);
}

TEST_F(SettingsFile, AFileThatCannotBeWrittenIsReported)
{
    WriteText(Folder.filePath(QStringLiteral("datei")), QStringLiteral("kein Ordner"));
    const QString path = Folder.filePath(QStringLiteral("datei/zeitkant.INI"));
    try {
        WritePrintSettings(path, TPrintSettingsValues());
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path));
    }
}

class PrintSettingsDialog : public SettingsFile
{
protected:
    std::unique_ptr<TDruckeinstellungenForm> Dialog =
        std::make_unique<TDruckeinstellungenForm>(nullptr, Path);

    void TearDown() override
    {
        Dialog.reset();
        SettingsFile::TearDown();
    }
    QSpinBox* Edit() { return Dialog->findChild<QSpinBox*>(QStringLiteral("BreitSpalteNameEd")); }
    int ScreenDpi() const { return int(std::lround(Dialog->screen()->logicalDotsPerInch())); }
};

TEST_F(PrintSettingsDialog, Layout)
{
    EXPECT_EQ(Dialog->windowTitle(), QStringLiteral("Druckeinstellungen"));
    EXPECT_EQ(Dialog->size(), QSize(357, 215));
    EXPECT_EQ(Dialog->minimumSize(), Dialog->maximumSize()) << "fixed border";
    auto* label = Dialog->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(),
              QStringLiteral("Breite der Spalte für den Namen der Vorgänge/Ressourcen in mm:"));
    EXPECT_EQ(label->pos(), QPoint(8, 8));
    ASSERT_NE(Edit(), nullptr);
    EXPECT_EQ(Edit()->geometry(), QRect(8, 24, 73, 21));
    EXPECT_EQ(Edit()->value(), 50);
    EXPECT_EQ(Edit()->singleStep(), 1);
    EXPECT_TRUE(Edit()->alignment() & Qt::AlignRight);
    const QList<QPushButton*> buttons = Dialog->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1) << "OK only, no cancel";
    EXPECT_EQ(buttons[0]->objectName(), QStringLiteral("BitBtnXP1"));
    EXPECT_EQ(buttons[0]->geometry(), QRect(141, 176, 75, 25));
    EXPECT_TRUE(buttons[0]->isDefault());
    EXPECT_EQ(Dialog->Width(), 50);
    Edit()->findChild<QLineEdit*>()->setText(QString());
    EXPECT_EQ(Dialog->Width(), 0) << "text that is not a whole number";
}

TEST_F(PrintSettingsDialog, TheCloseBoxKeepsAndSavesTheWidth)
{
    Dialog->show();
    Edit()->setValue(80);
    Dialog->close();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Dialog->Width(), 80);
    EXPECT_EQ(ReadPrintSettings(Path).Width, 80);
    EXPECT_TRUE(ReadText(Path).contains(QStringLiteral("\nVisible=0\n")));

    Edit()->setValue(10);
    Dialog->show();
    EXPECT_EQ(Dialog->Width(), 80) << "showing restores the saved width";
    Dialog->findChild<QPushButton*>(QStringLiteral("BitBtnXP1"))->click();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PrintSettingsDialog, LettersInTheKeyLeaveTheWidth)
{
    WriteText(Path, QStringLiteral("[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=abc\n"));
    Dialog->Restore();
    EXPECT_EQ(Dialog->Width(), 50);
}

TEST_F(PrintSettingsDialog, PositionReturnsOnlyAtTheSameScreenResolution)
{
    WriteText(Path, QStringLiteral("[TDruckeinstellungenForm]\nPixelsPerInch=%1\nNormPos=40,50,397,265\n"
                                   "BreitSpalteNameEd_Value=65\n")
                        .arg(ScreenDpi() + 24));
    Dialog->show();
    EXPECT_NE(Dialog->pos(), QPoint(40, 50));
    EXPECT_EQ(Dialog->Width(), 65) << "the width returns all the same";
    Dialog->hide();

    WriteText(Path, QStringLiteral("[TDruckeinstellungenForm]\nPixelsPerInch=%1\nNormPos=40,50,397,265\n")
                        .arg(ScreenDpi()));
    Dialog->show();
    EXPECT_EQ(Dialog->pos(), QPoint(40, 50));
    EXPECT_EQ(Dialog->size(), QSize(357, 215)) << "only the position";
}

TEST_F(PrintSettingsDialog, AnUnwritableFileIsReportedAndTheWidthStays)
{
    WriteText(Folder.filePath(QStringLiteral("datei")), QStringLiteral("kein Ordner"));
    const QString path = Folder.filePath(QStringLiteral("datei/zeitkant.INI"));
    Dialog = std::make_unique<TDruckeinstellungenForm>(nullptr, path);
    Dialog->show();
    Edit()->setValue(33);
    Dialog->accept();
    EXPECT_FALSE(Dialog->isVisible());
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path));
    EXPECT_EQ(Dialog->Width(), 33);
    Dialog.reset();
    EXPECT_EQ(Errors.size(), 2u) << "not saved, so tried once more at the end";
}

TEST_F(PrintSettingsDialog, DestroyingSavesOnlyWhatWasNotSavedSinceTheLastRestore)
{
    Dialog.reset();
    EXPECT_FALSE(QFile::exists(Path)) << "nothing read, nothing to keep";

    Dialog = std::make_unique<TDruckeinstellungenForm>(nullptr, Path);
    Dialog->Restore();
    Edit()->setValue(44);
    Dialog.reset();
    EXPECT_EQ(ReadPrintSettings(Path).Width, 44);
    EXPECT_TRUE(ReadText(Path).contains(QStringLiteral("\nVisible=1\n")));

    Dialog = std::make_unique<TDruckeinstellungenForm>(nullptr, Path);
    Dialog->show();
    Dialog->close();
    WriteText(Path, QStringLiteral("[TDruckeinstellungenForm]\nBreitSpalteNameEd_Value=12\n"));
    Dialog.reset();
    EXPECT_EQ(ReadPrintSettings(Path).Width, 12) << "saved when closed, not again at the end";
}

} // namespace
