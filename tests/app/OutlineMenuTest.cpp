#include "MainUnit.h"
#include "Outline.h"
#include "Printers.h"
#include "Texts.h"
#include "Undo.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OutlineMenus : public testing::Test
{
protected:
    TMainForm Form;

    void Trigger(const char* item)
    {
        auto* action = Form.findChild<QAction*>(QLatin1String(item));
        ASSERT_NE(action, nullptr) << item;
        ASSERT_TRUE(action->isEnabled()) << item;
        action->trigger();
    }
    TOutlineTree* Outline(const char* name) { return Form.findChild<TOutlineTree*>(QLatin1String(name)); }
    bool Changed() const { return const_cast<TMainForm&>(Form).Doc().Changed; }
};

TEST_F(OutlineMenus, InsertingMarksTheDocumentChanged)
{
    Trigger("EinfgenVorgangeinfgen1");
    Trigger("EinfgenVorgangeinfgen1");
    EXPECT_EQ(Outline("Vorgangs")->topLevelItemCount(), 2);
    EXPECT_TRUE(Changed());
    EXPECT_TRUE(Form.windowTitle().endsWith(QStringLiteral("[unbenannt.zkt*]")));

    Form.SetUnChanged();
    Trigger("RessourcenArbeiterRessourceeinfgen1");
    Outline("Arbeiter")->setCurrentItem(Outline("Arbeiter")->topLevelItem(0));
    Trigger("InsertRes");
    EXPECT_EQ(Outline("Arbeiter")->topLevelItem(0)->childCount(), 1);
    EXPECT_TRUE(Changed());
}

TEST_F(OutlineMenus, MovesWithoutSelectionLeaveTheDocumentUnchanged)
{
    Trigger("EinfgenVorgangeinfgen1");
    Trigger("RessourcenArbeiterRessourceeinfgen1");
    Form.SetUnChanged();
    for (const char* item :
         {"VorgangEinrueck", "VorgngeVorgangeineEbenehher1", "VorgngeNachobenverschieben1",
          "VorgngeNachuntenverschieben1", "ResEinruck", "ResEbeneHoch", "Movehoch", "MoveRunter"}) {
        Trigger(item);
        EXPECT_FALSE(Changed()) << item;
    }
    Trigger("DelRes");
    EXPECT_TRUE(Changed()) << "delete marks the document changed even without a selection";
    EXPECT_EQ(Outline("Arbeiter")->topLevelItemCount(), 1);
}

TEST_F(OutlineMenus, ImpossibleMoveWithSelectionStillMarksChanged)
{
    Trigger("EinfgenVorgangeinfgen1");
    Outline("Vorgangs")->setCurrentItem(Outline("Vorgangs")->topLevelItem(0));
    Form.SetUnChanged();
    Trigger("VorgngeVorgangeineEbenehher1");
    EXPECT_TRUE(Changed());
}

TEST_F(OutlineMenus, DeletingTheSelectedSubtree)
{
    Trigger("EinfgenVorgangeinfgen1");
    TOutlineTree* outline = Outline("Vorgangs");
    outline->setCurrentItem(outline->topLevelItem(0));
    Trigger("EinfgenVorgangalsUntergeordnetesObjekteinfgen1");
    Trigger("EinfgenVorgangalsUntergeordnetesObjekteinfgen1");
    Trigger("VorgngeVorganglschen1");
    EXPECT_EQ(outline->topLevelItemCount(), 0);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(Form.Doc().VorgangAt(i).Deleted, 1) << i;
}

TEST_F(OutlineMenus, EveryChangeReschedules)
{
    Trigger("EinfgenVorgangeinfgen1");
    Trigger("EinfgenVorgangeinfgen1");
    TOutlineTree* outline = Outline("Vorgangs");
    TVorgangRec& first = VorgangOf(Form.Doc(), outline->topLevelItem(0));
    TVorgangRec& second = VorgangOf(Form.Doc(), outline->topLevelItem(1));
    // Written as an edit is, which the next command's recalculation takes in.
    TUndoRecording edit(Form.Doc(), QStringLiteral("Bearbeiten"));
    NoteEditing(Form.Doc(), TOutlineKind::Vorgang, outline->topLevelItem(0), false);
    NoteEditing(Form.Doc(), TOutlineKind::Vorgang, outline->topLevelItem(1), false);
    first.Beginn = 46000;
    first.Ende = 46002;
    second.Beginn = 46010;
    second.Ende = 46011;
    second.Link = first.Id + 1;
    edit.Commit();
    Trigger("EinfgenVorgangeinfgen1");
    EXPECT_EQ(second.Beginn, 46002);
    EXPECT_EQ(second.Ende, 46003);

    outline->setCurrentItem(outline->topLevelItem(0));
    Trigger("VorgngeVorganglschen1");
    EXPECT_EQ(VorgangOf(Form.Doc(), outline->topLevelItem(0)).Link, 0)
        << "deleting a predecessor leaves its follower without one";
}

class InPlaceRename : public OutlineMenus
{
protected:
    TOutlineTree* Tasks = nullptr;
    TOutlineNode* Node = nullptr;

    void SetUp() override
    {
        Form.show();
        QApplication::setActiveWindow(&Form);
        Tasks = Outline("Vorgangs");
        Node = VorgEinf(Form.Doc(), nullptr);
        Tasks->setCurrentItem(Node);
        Tasks->setFocus();
        Form.SetUnChanged();
        QTest::keyClick(Tasks, Qt::Key_F2);
    }
    QLineEdit* Editor() { return Tasks->viewport()->findChild<QLineEdit*>(); }

    // The delegate commits or closes the editor through a queued call.
    void Press(Qt::Key key)
    {
        QTest::keyClick(Editor(), key);
        QCoreApplication::processEvents();
    }
};

TEST_F(InPlaceRename, ConfirmedTextGoesToNameAndCaption)
{
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    QTest::keyClicks(Editor(), QStringLiteral("Dach decken"));
    for (QChar ch : QStringLiteral(" größer"))
        QTest::sendKeyEvent(QTest::Click, Editor(), Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
    Press(Qt::Key_Return);
    EXPECT_EQ(Node->text(0), QStringLiteral("Dach decken größer"));
    EXPECT_EQ(TextOf(VorgangOf(Form.Doc(), Node).Name), QStringLiteral("Dach decken größer"));
    EXPECT_TRUE(Changed());
}

TEST_F(InPlaceRename, EmptyTextIsAccepted)
{
    ASSERT_NE(Editor(), nullptr);
    Editor()->clear();
    Press(Qt::Key_Return);
    EXPECT_EQ(Node->text(0), QString());
    EXPECT_NE(VorgangOf(Form.Doc(), Node).Name, nullptr);
    EXPECT_TRUE(TextOf(VorgangOf(Form.Doc(), Node).Name).isEmpty());
    EXPECT_TRUE(Changed());
}

TEST_F(InPlaceRename, CancelledEditChangesNothing)
{
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    QTest::keyClicks(Editor(), QStringLiteral("Verworfen"));
    Press(Qt::Key_Escape);
    EXPECT_EQ(Node->text(0), QStringLiteral("Neuer Vorgang"));
    EXPECT_EQ(TextOf(VorgangOf(Form.Doc(), Node).Name), QStringLiteral("Neuer Vorgang"));
    EXPECT_FALSE(Changed());
}

} // namespace
