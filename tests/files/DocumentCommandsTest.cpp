#include "DocumentCommands.h"

#include "DocumentFixture.h"
#include "Printers.h"
#include "ScriptedModal.h"

#include <QFileDialog>
#include <QTemporaryDir>
#include <memory>

namespace {

// The commands on a document of their own, with no main window around them.
class WindowlessCommands : public DocumentFixture
{
protected:
    QTemporaryDir Dir;
    TScriptedModal Modal;
    std::unique_ptr<QFileDialog> OpenDialog{MakeProjectFileDialog(nullptr, "OpenDialog1", false)};
    std::unique_ptr<QFileDialog> SaveDialog{MakeProjectFileDialog(nullptr, "SaveDialog1", true)};
    int UnChanged = 0;
    QString Calls; // "U" for SetUnChanged, "R" for a repaint of both charts, "O" for Opened

    TDocumentCommands Commands()
    {
        return {Doc,
                Modal,
                nullptr,
                *OpenDialog,
                *SaveDialog,
                [this] {
                    Doc.Changed = false;
                    ++UnChanged;
                    Calls += u'U';
                },
                [this] { Calls += u'R'; },
                [this] { Calls += u'O'; }};
    }
    void Choose(const QString& path)
    {
        Modal.Dialogs.push_back([path](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(path);
            return int(QDialog::Accepted);
        });
    }
};

TEST_F(WindowlessCommands, SaveAsThenNewAfterAskingThenOpenAgain)
{
    const QString path = Dir.filePath(QStringLiteral("bau.zkt"));
    VorgEinf(Doc, nullptr);
    VorgEinf(Doc, nullptr);
    Doc.Changed = true;
    Choose(path);
    ASSERT_TRUE(SaveDocumentAs(Commands()));
    EXPECT_EQ(Doc.FileName, path);
    EXPECT_FALSE(Doc.Changed);

    VorgEinf(Doc, nullptr);
    Doc.Changed = true;
    Modal.Answers = {QMessageBox::Cancel, QMessageBox::No};
    NewAfterAsking(Commands());
    EXPECT_EQ(Vorgangs.topLevelItemCount(), 3) << "Abbrechen keeps the document";
    EXPECT_TRUE(Doc.Changed);
    Calls.clear();
    NewAfterAsking(Commands());
    EXPECT_EQ(Calls, QStringLiteral("UR")) << "Neu repaints both charts once more after SetUnChanged";
    EXPECT_EQ(Vorgangs.topLevelItemCount(), 0);
    EXPECT_TRUE(Doc.FileName.isEmpty());
    EXPECT_TRUE(MayClose(Commands())) << "an unchanged document closes without asking";

    Calls.clear();
    EXPECT_FALSE(OpenDocument(Commands(), Dir.filePath(QStringLiteral("fehlt.zkt"))));
    EXPECT_EQ(Calls, QStringLiteral("UR")) << "only a file read whole counts as opened";
    Calls.clear();
    EXPECT_TRUE(OpenDocument(Commands(), path));
    EXPECT_EQ(Calls, QStringLiteral("URUO"));
    EXPECT_EQ(Vorgangs.topLevelItemCount(), 2);
    EXPECT_EQ(Doc.FileName, path);
    EXPECT_TRUE(Modal.Answers.empty());
    EXPECT_TRUE(Modal.Dialogs.empty());
    EXPECT_TRUE(Modal.Notices.empty());
}

TEST_F(WindowlessCommands, FailedWriteIsToldAndLeavesTheDocumentChanged)
{
    Doc.FileName = Dir.filePath(QStringLiteral("fehlt/bau.zkt"));
    Doc.Changed = true;
    EXPECT_FALSE(SaveDocument(Commands()));
    ASSERT_EQ(Modal.Notices.size(), 1u);
    EXPECT_TRUE(Modal.Notices[0].Text.startsWith(QStringLiteral("Die Datei \"") + Doc.FileName));
    EXPECT_TRUE(Doc.Changed);
    EXPECT_EQ(UnChanged, 0);
}

} // namespace
