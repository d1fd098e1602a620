#include "MainUnit.h"
#include "Outline.h"
#include "OutlineCommands.h"
#include "ScriptedModal.h"
#include "TabellenFUnit.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// The task table follows the document, its double click opens the task's editor
// and its CSV goes where the save dialog says.
TEST(TablesWindow, FollowsTheDocumentOpensEditorsAndSavesCsv)
{
    QTemporaryDir dir;
    TMainForm form;
    TScriptedModal modal;
    form.SetModal(&modal);
    TDocument& doc = form.Doc();
    TOutlineNode* phase = VorgEinf(doc, nullptr);
    TOutlineNode* task = VorgEinfChild(doc, phase);
    form.SetChanged();
    form.findChild<QAction*>(QStringLiteral("ExtrasVorgangstabelle1"))->trigger();
    auto* window = form.findChild<TTabellenForm*>(QStringLiteral("Vorgangstabelle"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    QAbstractItemModel* shown = window->View()->model();
    EXPECT_EQ(shown->rowCount(), 2) << "the phase and Summe";
    EXPECT_TRUE(window->View()->isExpanded(shown->index(0, 0)));

    form.findChild<QAction*>(QStringLiteral("EinfgenVorgangeinfgen1"))->trigger();
    EXPECT_EQ(window->View()->model()->rowCount(), 3) << "a change shows at once";

    modal.Dialogs.push_back([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("VorgangForm"));
        return int(QDialog::Rejected);
    });
    const QModelIndex leaf = window->View()->model()->index(0, 0, window->View()->model()->index(0, 0));
    Q_EMIT window->View()->doubleClicked(leaf);
    EXPECT_EQ(SelectedNode(doc.Vorgangs), task);
    EXPECT_TRUE(modal.Dialogs.empty()) << "the editor opened";

    const QString csv = dir.filePath(QStringLiteral("plan.csv"));
    modal.Dialogs.push_back([&](QDialog& dialog) {
        static_cast<QFileDialog&>(dialog).selectFile(csv);
        return int(QDialog::Accepted);
    });
    window->findChild<QPushButton*>(QStringLiteral("CsvButton"))->click();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 1 + 3 + 1);
    form.SetModal(nullptr);
}

} // namespace
