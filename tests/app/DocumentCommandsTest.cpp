#include "Errors.h"
#include "MainUnit.h"
#include "Outline.h"
#include "Printers.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "ScriptedModal.h"
#include "Texts.h"
#include "Undo.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString NeuText = QStringLiteral("Die Datei ist noch nicht gespeichert. Wollen Sie jetzt speichern?");
const QString UnsavedText =
    QStringLiteral("Die Datei wurde noch nicht gespeichert. Wollen Sie jetzt speichern?");

TScriptedModal::TDialogStep Choose(const QString& path)
{
    return [path](QDialog& dialog) {
        static_cast<QFileDialog&>(dialog).selectFile(path);
        return int(QDialog::Accepted);
    };
}

int CancelDialog(QDialog&)
{
    return QDialog::Rejected;
}

class DocumentCommands : public testing::Test
{
protected:
    QTemporaryDir Dir;
    TMainForm Form;
    TScriptedModal Modal;
    std::vector<QString> Errors;

    void SetUp() override
    {
        Form.SetModal(&Modal);
        SetErrorReporter([this](const QString& text) { Errors.push_back(text); });
    }
    void TearDown() override
    {
        Form.SetModal(nullptr);
        SetErrorReporter(nullptr);
        EXPECT_TRUE(Modal.Answers.empty()) << "every scripted answer is used";
        EXPECT_TRUE(Modal.Dialogs.empty()) << "every scripted dialog is shown";
    }

    TDocument& Doc() { return Form.Doc(); }
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    void Trigger(const char* item)
    {
        auto* action = Form.findChild<QAction*>(QLatin1String(item));
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
    }
    // One new task, marked changed as an edit would.
    void Edit()
    {
        VorgEinf(Doc(), nullptr);
        Form.SetChanged();
    }
    int Tasks() const { return const_cast<TMainForm&>(Form).Doc().Vorgangs->topLevelItemCount(); }
    // A project file with the given number of tasks, written by another window.
    QString ProjectWithTasks(const char* name, int tasks)
    {
        TMainForm other;
        for (int i = 0; i < tasks; ++i)
            VorgEinf(other.Doc(), nullptr);
        other.Doc().FileName = Path(name);
        EXPECT_TRUE(other.SaveTheFile());
        return Path(name);
    }
    // A place no one can write to, not even root: below a plain file.
    QString UnwritablePath()
    {
        QFile plain(Path("plain"));
        EXPECT_TRUE(plain.open(QIODevice::WriteOnly));
        return Path("plain/projekt.zkt");
    }
    QString Title() const { return Form.windowTitle(); }
};

TEST_F(DocumentCommands, FileDialogsFilterProjectFiles)
{
    for (const char* name : {"SaveDialog1", "OpenDialog1"}) {
        auto* dialog = Form.findChild<QFileDialog*>(QLatin1String(name));
        ASSERT_NE(dialog, nullptr) << name;
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Zeitkant Dateien (*.zkt)")});
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("zkt"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile) << "the open dialog takes names of missing files";
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    }
    EXPECT_EQ(Form.findChild<QFileDialog*>(QStringLiteral("SaveDialog1"))->acceptMode(),
              QFileDialog::AcceptSave);
    EXPECT_EQ(Form.findChild<QFileDialog*>(QStringLiteral("OpenDialog1"))->acceptMode(),
              QFileDialog::AcceptOpen);
}

TEST_F(DocumentCommands, NeuOnAnUnchangedDocumentAsksNothing)
{
    VorgEinf(Doc(), nullptr);
    ArbEinf(Doc(), nullptr);
    Doc().FileName = Path("alt.zkt");
    Form.SetUnChanged();
    Trigger("DateiNeu1");
    EXPECT_TRUE(Modal.Questions.empty());
    EXPECT_EQ(Tasks(), 0);
    EXPECT_EQ(Doc().Arbeiter->topLevelItemCount(), 0);
    EXPECT_EQ(Doc().VorgangStore->Count, 0u);
    EXPECT_EQ(Doc().ArbeiterStore->Count, 0u);
    EXPECT_TRUE(Doc().FileName.isEmpty());
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt]"));
}

TEST_F(DocumentCommands, SaveQuestionOfNeuWithEachAnswer)
{
    Edit();
    Modal.Answers = {QMessageBox::Cancel};
    Trigger("DateiNeu1");
    ASSERT_EQ(Modal.Questions.size(), 1u);
    EXPECT_EQ(Modal.Questions[0].Caption, QStringLiteral("Speichern"));
    EXPECT_EQ(Modal.Questions[0].Text, NeuText);
    EXPECT_EQ(Modal.Questions[0].Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(Modal.Questions[0].Default, QMessageBox::Yes);
    EXPECT_EQ(Tasks(), 1) << "Cancel keeps the document";
    EXPECT_TRUE(Doc().Changed);

    Modal.Answers = {QMessageBox::Yes};
    Modal.Dialogs = {CancelDialog};
    Trigger("DateiNeu1");
    EXPECT_EQ(Tasks(), 1) << "Yes and a cancelled save dialog keep the document";
    EXPECT_TRUE(Doc().Changed);

    Doc().FileName = Path("bau.zkt");
    Modal.Answers = {QMessageBox::Yes};
    Trigger("DateiNeu1");
    EXPECT_EQ(Tasks(), 0);
    QByteArray saved;
    ASSERT_TRUE(ReadFileBytes(Path("bau.zkt"), saved));
    EXPECT_GT(saved.size(), 24) << "Yes saved the task before clearing";

    Edit();
    Modal.Answers = {QMessageBox::No};
    Trigger("DateiNeu1");
    EXPECT_EQ(Tasks(), 0);
    EXPECT_FALSE(Doc().Changed);
}

TEST_F(DocumentCommands, OeffnenAnsweredNoThenCancelledKeepsTheChanges)
{
    Edit();
    Modal.Answers = {QMessageBox::No};
    Modal.Dialogs = {CancelDialog};
    Trigger("Dateiffnen1");
    EXPECT_EQ(Modal.Questions.at(0).Text, UnsavedText);
    EXPECT_EQ(Modal.DialogsShown, std::vector<QString>{QStringLiteral("OpenDialog1")});
    EXPECT_EQ(Tasks(), 1);
    EXPECT_TRUE(Doc().Changed);
    EXPECT_TRUE(Title().endsWith(QStringLiteral("*]")));
}

TEST_F(DocumentCommands, OeffnenAnsweredYesWithTheSaveDialogCancelledShowsNoOpenDialog)
{
    Edit();
    Modal.Answers = {QMessageBox::Yes};
    Modal.Dialogs = {CancelDialog};
    Trigger("Dateiffnen1");
    EXPECT_EQ(Modal.DialogsShown, std::vector<QString>{QStringLiteral("SaveDialog1")});
    EXPECT_EQ(Tasks(), 1);
    EXPECT_TRUE(Doc().Changed);
}

TEST_F(DocumentCommands, OeffnenLoadsTheChosenFileAndLeavesTheLabels)
{
    const QString path = ProjectWithTasks("drei.zkt", 3);
    FreeText(Doc().VorgangFieldLabels[2]);
    WideCopy(Doc().VorgangFieldLabels[2], QStringLiteral("Gewerk"));
    Modal.Dialogs = {Choose(path)};
    Trigger("Dateiffnen1");
    EXPECT_TRUE(Modal.Questions.empty());
    EXPECT_EQ(Tasks(), 3);
    EXPECT_EQ(Doc().FileName, path);
    EXPECT_FALSE(Doc().Changed);
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [") + path + QStringLiteral("]"));
    EXPECT_EQ(TextOf(Doc().VorgangFieldLabels[2]), QStringLiteral("Gewerk"));
    Trigger("DateiNeu1");
    EXPECT_EQ(TextOf(Doc().VorgangFieldLabels[2]), QStringLiteral("Gewerk"));
}

TEST_F(DocumentCommands, SpeichernAsksForANameOnlyWhenUntitled)
{
    Edit();
    Modal.Dialogs = {Choose(Path("bau"))};
    Trigger("DateiSpeichern1");
    EXPECT_EQ(Doc().FileName, Path("bau.zkt")) << "the default suffix is added";
    EXPECT_TRUE(QFile::exists(Path("bau.zkt")));
    EXPECT_FALSE(Doc().Changed);
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [") + Path("bau.zkt") + QStringLiteral("]"));

    Edit();
    Trigger("DateiSpeichern1");
    EXPECT_EQ(Modal.DialogsShown.size(), 1u) << "with a name it writes at once";
    EXPECT_FALSE(Doc().Changed);
    QByteArray saved;
    ASSERT_TRUE(ReadFileBytes(Path("bau.zkt"), saved));
    TMainForm reader;
    EXPECT_TRUE(reader.OpenFile(Path("bau.zkt")));
    EXPECT_EQ(reader.Doc().Vorgangs->topLevelItemCount(), 2);
}

TEST_F(DocumentCommands, SpeichernUnterAlwaysAsks)
{
    Edit();
    Doc().FileName = Path("alt.zkt");
    Modal.Dialogs = {Choose(Path("neu.zkt"))};
    Trigger("DateiSpeichernunter1");
    EXPECT_EQ(Doc().FileName, Path("neu.zkt"));
    EXPECT_TRUE(QFile::exists(Path("neu.zkt")));
    EXPECT_FALSE(QFile::exists(Path("alt.zkt")));
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [") + Path("neu.zkt") + QStringLiteral("]"));

    Edit();
    QStringList offered;
    Modal.Dialogs = {[&](QDialog& dialog) {
        offered = static_cast<QFileDialog&>(dialog).selectedFiles();
        return int(QDialog::Rejected);
    }};
    Trigger("DateiSpeichernunter1");
    EXPECT_EQ(offered, QStringList{Path("neu.zkt")}) << "the reused dialog offers the last name";
    EXPECT_EQ(Doc().FileName, Path("neu.zkt"));
    EXPECT_TRUE(Doc().Changed) << "a cancelled dialog changes nothing";
    EXPECT_EQ(Modal.DialogsShown.size(), 2u);
}

TEST_F(DocumentCommands, FailedSaveTellsWhichFileAndKeepsTheChanges)
{
    Edit();
    const QString path = UnwritablePath();
    Doc().FileName = path;
    Form.SetChanged();
    const QString title = Title();
    EXPECT_FALSE(Form.SaveFile());
    ASSERT_EQ(Modal.Notices.size(), 1u);
    EXPECT_EQ(Modal.Notices[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Modal.Notices[0].Caption, QStringLiteral("Zeitkant"));
    EXPECT_TRUE(Modal.Notices[0].Text.contains(path)) << Modal.Notices[0].Text.toStdString();
    EXPECT_TRUE(Doc().Changed);
    EXPECT_EQ(Title(), title);
    EXPECT_EQ(Doc().FileName, path);
}

TEST_F(DocumentCommands, ClosingAChangedDocument)
{
    Form.show();
    Edit();
    Modal.Answers = {QMessageBox::Cancel};
    EXPECT_FALSE(Form.close());
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Modal.Questions.at(0).Text, UnsavedText);

    Doc().FileName = UnwritablePath();
    Modal.Answers = {QMessageBox::Yes};
    EXPECT_FALSE(Form.close()) << "a failed save keeps the window open";
    EXPECT_EQ(Modal.Notices.size(), 1u);

    Doc().FileName = Path("ende.zkt");
    Modal.Answers = {QMessageBox::Yes};
    EXPECT_TRUE(Form.close());
    EXPECT_TRUE(QFile::exists(Path("ende.zkt")));

    Form.show();
    Edit();
    Modal.Answers = {QMessageBox::No};
    Trigger("DateiBeenden1");
    EXPECT_FALSE(Form.isVisible());
    EXPECT_TRUE(Doc().Changed) << "No closes without saving";
}

TEST_F(DocumentCommands, OpeningAMissingNameGivesAnEmptyProjectWithThatName)
{
    Edit();
    Modal.Answers = {QMessageBox::No};
    Modal.Dialogs = {Choose(Path("neu.zkt"))};
    Trigger("Dateiffnen1");
    EXPECT_EQ(Tasks(), 0);
    EXPECT_EQ(Doc().FileName, Path("neu.zkt"));
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt]"));

    Edit();
    EXPECT_EQ(Title(), QStringLiteral("Kelmorin Zeitkant 1.0 - [") + Path("neu.zkt") + QStringLiteral("*]"));
    Trigger("DateiSpeichern1");
    EXPECT_EQ(Modal.DialogsShown.size(), 1u) << "Speichern writes to that name without asking";
    EXPECT_TRUE(QFile::exists(Path("neu.zkt")));
}

TEST_F(DocumentCommands, CommandLineFileOpensAtTheFirstShowingOnly)
{
    const QString path = ProjectWithTasks("start.zkt", 2);
    Form.SetCommandLine({QStringLiteral("zeitkant"), path, QStringLiteral("ignored.zkt")});
    Form.show();
    EXPECT_EQ(Tasks(), 2);
    EXPECT_EQ(Doc().FileName, path);
    EXPECT_FALSE(Doc().Changed);

    Edit();
    Form.hide();
    Form.show();
    EXPECT_EQ(Tasks(), 3) << "a later showing opens nothing";
    Form.SetUnChanged();
}

TEST_F(DocumentCommands, DamagedFileKeepsWhatWasReadButNotItsName)
{
    const QString path = ProjectWithTasks("kaputt.zkt", 2);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() - 30));
    file.close();

    Modal.Dialogs = {Choose(path)};
    Trigger("Dateiffnen1");
    EXPECT_EQ(Errors, std::vector<QString>{QStringLiteral("Read beyond end of file")});
    EXPECT_EQ(Tasks(), 2);
    EXPECT_FALSE(Doc().Changed);
    EXPECT_TRUE(Doc().FileName.isEmpty());

    Edit();
    Modal.Dialogs = {CancelDialog};
    Trigger("DateiSpeichern1");
    EXPECT_EQ(Modal.DialogsShown.back(), QStringLiteral("SaveDialog1"))
        << "the damaged file is not overwritten";
    EXPECT_EQ(QFileInfo(path).size(), file.size());
    Form.SetUnChanged();
}

// A file saved after a recalculation is checked once it is open, so the first change
// recalculates only what it reaches instead of every task.
TEST_F(DocumentCommands, TheFirstChangeAfterOpeningReachesOnlyItsDependents)
{
    const QString path = Path("gross.zkt");
    {
        TMainForm other;
        TDocument& doc = other.Doc();
        TOutlineNode* summary = VorgEinf(doc, nullptr);
        for (int i = 0; i < 3000; ++i)
            VorgEinfChild(doc, summary);
        TOutlineNode* first = VorgEinf(doc, summary);
        VorgangOf(doc, VorgEinf(doc, first)).Link = VorgangOf(doc, first).Id + 1;
        RenderEveryThing(doc);
        doc.FileName = path;
        ASSERT_TRUE(other.SaveTheFile());
    }
    ASSERT_TRUE(Form.OpenFile(path));
    TOutlineNode* first = Doc().Vorgangs->topLevelItem(1);
    TOutlineNode* second = Doc().Vorgangs->topLevelItem(2);
    TUndoRecording recording(Doc(), QStringLiteral("Bearbeiten"));
    NoteEditing(Doc(), TOutlineKind::Vorgang, first, false);
    VorgangOf(Doc(), first).Ende += 2;
    EXPECT_LE(Recalculate(Doc()).Steps, 4u);
    EXPECT_EQ(VorgangOf(Doc(), second).Beginn, VorgangOf(Doc(), first).Ende);
    recording.Commit();
}

} // namespace
