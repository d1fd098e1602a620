#include "MainUnit.h"
#include "Outline.h"
#include "ScriptedModal.h"
#include "Undo.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray TwoTasks = "<?xml version=\"1.0\"?>\n"
                            "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks>\n"
                            "<Task><UID>1</UID><Name>Rohbau</Name><OutlineLevel>1</OutlineLevel>"
                            "<Milestone>1</Milestone></Task>\n"
                            "<Task><UID>2</UID><Name>Dach</Name><OutlineLevel>1</OutlineLevel></Task>\n"
                            "</Tasks></Project>\n";

class ExchangeMenu : public testing::Test
{
protected:
    QTemporaryDir Dir;
    TMainForm Form;
    TScriptedModal Modal;
    TDocument& Doc = Form.Doc();

    ExchangeMenu() { Form.SetModal(&Modal); }
    ~ExchangeMenu() override
    {
        Form.SetModal(nullptr);
        EXPECT_TRUE(Modal.Answers.empty()) << "every scripted answer is used";
        EXPECT_TRUE(Modal.Dialogs.empty()) << "every scripted dialog is shown";
    }

    void Trigger(const char* name) { Form.findChild<QAction*>(QLatin1String(name))->trigger(); }
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    QString Write(const char* name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    static QByteArray Read(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A document of three tasks saved as a project file, with one unsaved change.
    void SavedProjectWithAChange()
    {
        for (int i = 0; i < 2; ++i)
            VorgEinf(Doc, nullptr);
        Doc.FileName = Path("alt.zkt");
        ASSERT_TRUE(Form.SaveTheFile());
        Trigger("EinfgenVorgangeinfgen1");
        ASSERT_TRUE(Doc.Changed);
    }
    void ChooseInDialog(const char* dialogName, const QString& file)
    {
        Modal.Dialogs.push_back([dialogName, file](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            EXPECT_EQ(files.objectName(), QLatin1String(dialogName));
            EXPECT_EQ(files.nameFilters(), QStringList{QStringLiteral("Microsoft Project XML (*.xml)")});
            EXPECT_EQ(files.defaultSuffix(), QStringLiteral("xml"));
            files.selectFile(file);
            return int(QDialog::Accepted);
        });
    }
    int Tasks() const { return Doc.Vorgangs->topLevelItemCount(); }
};

// The imported plan is a new, untitled, changed document without history: saving
// asks for a name, and undoing a later edit still leaves it changed.
TEST_F(ExchangeMenu, ImportAsksToSaveThenGivesAnUntitledChangedDocumentWithoutHistory)
{
    SavedProjectWithAChange();
    const QString xml = Write("plan.xml", TwoTasks);
    Modal.Answers = {QMessageBox::No};
    ChooseInDialog("XmlImportDialog1", xml);
    Trigger("ExtrasMsProjectImport1");

    ASSERT_EQ(Modal.Questions.size(), 1u);
    EXPECT_EQ(Modal.Questions[0].Caption, QStringLiteral("Speichern"));
    EXPECT_EQ(Modal.Questions[0].Text,
              QStringLiteral("Die Datei wurde noch nicht gespeichert. Wollen Sie jetzt speichern?"));
    EXPECT_EQ(Tasks(), 2);
    EXPECT_EQ(Doc.Vorgangs->topLevelItem(0)->text(0), QStringLiteral("Rohbau"));
    EXPECT_TRUE(Doc.FileName.isEmpty());
    EXPECT_TRUE(Doc.Changed);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt*]"));
    EXPECT_TRUE(UndoName(Doc).isEmpty());
    EXPECT_FALSE(Form.findChild<QAction*>(QStringLiteral("BearbeitenRueckgaengig1"))->isEnabled());
    ASSERT_EQ(Modal.Notices.size(), 1u);
    EXPECT_EQ(Modal.Notices[0].Icon, QMessageBox::Information);
    EXPECT_TRUE(Modal.Notices[0].Text.startsWith(QStringLiteral("Importiert: 2 Vorgänge, 0 Ressourcen")))
        << Modal.Notices[0].Text.toStdString();
    EXPECT_TRUE(Modal.Notices[0].Text.contains(QStringLiteral("1 Meilenstein")));

    Trigger("EinfgenVorgangeinfgen1");
    Trigger("BearbeitenRueckgaengig1");
    EXPECT_EQ(Tasks(), 2);
    EXPECT_TRUE(Doc.Changed) << "the import itself was never saved";
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt*]"));

    Modal.Dialogs.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("SaveDialog1"));
        return int(QDialog::Rejected);
    });
    Trigger("DateiSpeichern1");
    EXPECT_EQ(Read(xml), TwoTasks) << "the XML file is never written over";
}

TEST_F(ExchangeMenu, AFaultyFileIsReportedOnceAndLeavesTheDocumentAsItWas)
{
    SavedProjectWithAChange();
    const QString undo = UndoName(Doc);
    const QString xml =
        Write("kaputt.xml", "<Project>\n<Tasks>\n<Task><Name>a</Nam></Task>\n</Tasks></Project>");
    Modal.Answers = {QMessageBox::No};
    ChooseInDialog("XmlImportDialog1", xml);
    Trigger("ExtrasMsProjectImport1");

    ASSERT_EQ(Modal.Notices.size(), 1u);
    EXPECT_EQ(Modal.Notices[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Modal.Notices[0].Caption, QStringLiteral("Zeitkant"));
    const QString text = Modal.Notices[0].Text;
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("Die Datei \"%1\" kann nicht importiert werden: Kein wohlgeformtes XML").arg(xml)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("(Zeile 3, Spalte "))) << text.toStdString();
    EXPECT_EQ(Tasks(), 3);
    EXPECT_EQ(Doc.FileName, Path("alt.zkt"));
    EXPECT_TRUE(Doc.Changed);
    EXPECT_EQ(UndoName(Doc), undo);
}

TEST_F(ExchangeMenu, CancelInTheSaveQuestionShowsNoDialog)
{
    SavedProjectWithAChange();
    Modal.Answers = {QMessageBox::Cancel};
    Trigger("ExtrasMsProjectImport1");
    EXPECT_TRUE(Modal.DialogsShown.empty());
    EXPECT_EQ(Tasks(), 3);
}

// The export proposes the project's name, writes the chosen file and changes
// nothing; the project file itself is never written over.
TEST_F(ExchangeMenu, ExportWritesTheChosenFileAndNeverTheProjectFile)
{
    VorgEinf(Doc, nullptr);
    Doc.FileName = Path("Umbau-Kueche.zkt");
    ASSERT_TRUE(Form.SaveTheFile());
    Modal.Dialogs.push_back([&](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        EXPECT_EQ(files.objectName(), QStringLiteral("XmlExportDialog1"));
        EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(files.nameFilters(), QStringList{QStringLiteral("Microsoft Project XML (*.xml)")});
        EXPECT_EQ(QFileInfo(files.selectedFiles().value(0)).fileName(), QStringLiteral("Umbau-Kueche.xml"));
        files.selectFile(Path("plan.xml"));
        return int(QDialog::Accepted);
    });
    Trigger("ExtrasMsProjectExport1");
    EXPECT_TRUE(Read(Path("plan.xml")).contains("<Project xmlns=\"http://schemas.microsoft.com/project\">"));
    EXPECT_TRUE(Modal.Notices.empty());
    EXPECT_FALSE(Doc.Changed);

    const QByteArray project = Read(Doc.FileName);
    ChooseInDialog("XmlExportDialog1", Doc.FileName);
    Trigger("ExtrasMsProjectExport1");
    ASSERT_EQ(Modal.Notices.size(), 1u);
    EXPECT_EQ(Modal.Notices[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(
        Modal.Notices[0].Text,
        QStringLiteral("Die Datei \"%1\" konnte nicht exportiert werden: Sie ist die Projektdatei selbst.")
            .arg(Doc.FileName));
    EXPECT_EQ(Read(Doc.FileName), project);
}

} // namespace
