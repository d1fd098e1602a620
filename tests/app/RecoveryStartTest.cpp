#include "MainUnit.h"
#include "Outline.h"
#include "ProjectFile.h"
#include "Recovery.h"
#include "ScriptedModal.h"
#include "TestProject.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A program that wrote its recovery copy (30 tasks of "Umbau-Kueche.zkt") and
// ended without cleaning up.
void LeaveCopy()
{
    QProcess child;
    child.start(QStringLiteral(RECOVERY_CHILD), {QStringLiteral("once"), RecoveryFolder()});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0);
}

// At the first showing the copy is offered before the file named on the command
// line; "Ja" takes the copy instead, "Nein" opens the file.
TEST(RecoveryAtStart, ALeftCopyComesBeforeTheCommandLineFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Keller.zkt"));
    {
        TTestProject project;
        VorgEinf(project.Doc, nullptr);
        QString error;
        ASSERT_TRUE(SaveProjectFile(project.Doc, file, error));
    }
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
        ASSERT_NO_FATAL_FAILURE(LeaveCopy());
        TMainForm form;
        TScriptedModal modal;
        form.SetModal(&modal);
        modal.Answers.push_back(answer);
        form.SetCommandLine({QStringLiteral("zeitkant"), file});
        form.FormShow();
        EXPECT_EQ(modal.Questions.size(), 1u);
        auto* vorgangs = form.findChild<TOutlineTree*>(QStringLiteral("Vorgangs"));
        if (answer == QMessageBox::Yes) {
            EXPECT_EQ(form.windowTitle(),
                      QStringLiteral("Kelmorin Zeitkant 1.0 - [/home/planer/Umbau-Kueche.zkt*]"));
            EXPECT_EQ(vorgangs->topLevelItemCount(), 30);
        } else {
            EXPECT_EQ(form.Doc().FileName, file);
            EXPECT_EQ(vorgangs->topLevelItemCount(), 1);
            EXPECT_FALSE(form.Doc().Changed);
        }
        form.SetModal(nullptr);
    }
}

} // namespace
