#include "ArbeiterFUnit.h"
#include "MainUnit.h"
#include "Outline.h"
#include "ScriptedModal.h"
#include "SpinEdits.h"
#include "VorgangFUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QDate DayZero(1899, 12, 30);

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0)
{
    return DayZero.daysTo(QDate(year, month, day)) + (hour * 60 + minute) / 1440.0;
}

class Editors : public testing::Test
{
protected:
    TMainForm Form;
    TScriptedModal Modal;
    TDocument& Doc = Form.Doc();
    TOutlineTree* Vorgangs = Form.findChild<TOutlineTree*>(QStringLiteral("Vorgangs"));
    TOutlineTree* Arbeiter = Form.findChild<TOutlineTree*>(QStringLiteral("Arbeiter"));

    Editors() { Form.SetModal(&Modal); }
    ~Editors() override { Form.SetModal(nullptr); }

    template <typename T> static T* In(QDialog& dialog, const char* name)
    {
        T* child = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Shows the dialog as exec() would, lets the step work on it, then closes it
    // with the given result.
    void Script(std::function<void(QDialog&)> step, int result = QDialog::Accepted)
    {
        Modal.Dialogs.push_back([step, result](QDialog& dialog) {
            dialog.show();
            step(dialog);
            dialog.hide();
            return result;
        });
    }

    TOutlineNode* Task(const char* name, TDateTime beginn, TDateTime ende, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        TVorgangRec& rec = VorgangOf(Doc, node);
        node->setText(0, QString::fromUtf8(name));
        FreeText(rec.Name);
        WideCopy(rec.Name, node->text(0));
        rec.Beginn = beginn;
        rec.Ende = ende;
        return node;
    }

    void EditTask(TOutlineNode* node)
    {
        Vorgangs->setCurrentItem(node);
        Form.findChild<QAction*>(QStringLiteral("VorgngeVorgangbearbeiten1"))->trigger();
    }
    void EditResource(TOutlineNode* node)
    {
        Arbeiter->setCurrentItem(node);
        Form.findChild<QAction*>(QStringLiteral("EditRes"))->trigger();
    }
};

QString Durations(QDialog& dialog)
{
    auto text = [&](const char* name) {
        return dialog.findChild<TWholeSpinEdit*>(QLatin1String(name))->Text();
    };
    return text("DaysEd") + u'/' + text("HoursEd") + u'/' + text("MinEd");
}

QDateTime PickedEnd(QDialog& dialog)
{
    return QDateTime(dialog.findChild<QDateEdit*>(QStringLiteral("DateTimePicker3"))->date(),
                     dialog.findChild<QTimeEdit*>(QStringLiteral("DateTimePicker4"))->time());
}

TEST_F(Editors, NothingOpensWithoutSelectionOrForSummaryTasksAndGroups)
{
    TOutlineNode* summary = Task("Bau", 0, 0);
    Task("Keller", 0, 0, summary);
    TOutlineNode* group = ArbEinf(Doc, nullptr);
    ArbEinfChild(Doc, group);

    Form.findChild<QAction*>(QStringLiteral("VorgngeVorgangbearbeiten1"))->trigger();
    Form.findChild<QAction*>(QStringLiteral("EditRes"))->trigger();
    EditTask(summary);
    EditResource(group);
    Q_EMIT Vorgangs->itemDoubleClicked(summary, 0);
    EXPECT_TRUE(Modal.DialogsShown.empty());
    EXPECT_FALSE(Doc.Changed);
}

// Drawing the task chart sets PrintSplitY, so a stale value shows a missing repaint.
TEST_F(Editors, TaskChartIsRepaintedWhetherOrNotTheEditorOpened)
{
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    TOutlineNode* summary = Task("Bau", 0, 0);
    TOutlineNode* leaf = Task("Keller", 0, 0, summary);
    for (TOutlineNode* node : {summary, leaf}) {
        if (node == leaf)
            Script([](QDialog&) {}, QDialog::Rejected);
        Vorgangs->setCurrentItem(node);
        Doc.PrintSplitY = -1;
        Form.findChild<QAction*>(QStringLiteral("VorgngeVorgangbearbeiten1"))->trigger();
        EXPECT_GT(Doc.PrintSplitY, 0) << node->text(0).toStdString();
    }
    EXPECT_FALSE(Doc.Changed);
}

// Counts the paint events that reach the widgets it watches.
class TPaintCounter : public QObject
{
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

TEST_F(Editors, OkRepaintsEachChartOnce)
{
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    TOutlineNode* leaf = Task("Keller", At(2027, 3, 1), At(2027, 3, 2));
    TOutlineNode* worker = ArbEinf(Doc, nullptr);
    Vorgangs->setCurrentItem(leaf);
    Arbeiter->setCurrentItem(worker);
    QCoreApplication::processEvents();
    TPaintCounter tasks;
    TPaintCounter resources;
    Form.findChild<QWidget*>(QStringLiteral("PaintBox1"))->installEventFilter(&tasks);
    Form.findChild<QWidget*>(QStringLiteral("PaintBox2"))->installEventFilter(&resources);
    for (const bool taskEditor : {true, false}) {
        tasks.Paints = resources.Paints = 0;
        Script([](QDialog&) {});
        if (taskEditor)
            EditTask(leaf);
        else
            EditResource(worker);
        EXPECT_EQ(tasks.Paints, 1) << (taskEditor ? "task editor" : "resource editor");
        EXPECT_EQ(resources.Paints, 1) << (taskEditor ? "task editor" : "resource editor");
    }
}

// A double click on the selected row opens the editor and starts no rename, also
// once the time for a second click has passed; F2 still renames.
TEST_F(Editors, DoubleClickOnTheSelectedRowStartsNoRename)
{
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    QApplication::setActiveWindow(&Form);
    TOutlineNode* node = Task("Keller", At(2027, 3, 1), At(2027, 3, 2));
    Vorgangs->setCurrentItem(node);
    Vorgangs->setFocus();
    const QPoint row = Vorgangs->visualItemRect(node).center();
    // The person looks at the editor for a while: its event loop runs meanwhile.
    Script([](QDialog&) { QTest::qWait(2 * QApplication::doubleClickInterval()); }, QDialog::Rejected);
    QTest::mouseClick(Vorgangs->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(Vorgangs->viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(Modal.DialogsShown, std::vector<QString>{QStringLiteral("VorgangForm")});
    QTest::qWait(2 * QApplication::doubleClickInterval());
    EXPECT_EQ(Vorgangs->findChild<QLineEdit*>(), nullptr) << "no rename is open";
    QTest::keyClick(Vorgangs, Qt::Key_F2);
    EXPECT_NE(Vorgangs->findChild<QLineEdit*>(), nullptr) << "F2 renames";
}

TEST_F(Editors, DoubleClickOnALeafOpensTheTaskEditor)
{
    TOutlineNode* node = Task("Keller", At(2027, 3, 1), At(2027, 3, 2));
    Vorgangs->setCurrentItem(node);
    Script([](QDialog&) {}, QDialog::Rejected);
    Q_EMIT Vorgangs->itemDoubleClicked(node, 0);
    EXPECT_EQ(Modal.DialogsShown, std::vector<QString>{QStringLiteral("VorgangForm")});
}

TEST_F(Editors, DurationFieldsAndEndPickersFollowEachOther)
{
    TOutlineNode* node = Task("Keller", At(2027, 3, 1, 8), At(2027, 3, 2, 20));
    Script([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vorgang bearbeiten"));
        EXPECT_EQ(Durations(dialog), QStringLiteral("1/12/0"));

        // Typing a duration moves the end; the start stays.
        dialog.findChild<TWholeSpinEdit*>(QStringLiteral("DaysEd"))->SetText(QStringLiteral("2"));
        EXPECT_EQ(PickedEnd(dialog), QDateTime(QDate(2027, 3, 3), QTime(20, 0)));

        // 24 hours is no time of day: the end keeps the value it had.
        auto* hours = dialog.findChild<TWholeSpinEdit*>(QStringLiteral("HoursEd"));
        hours->SetText(QStringLiteral("5"));
        EXPECT_EQ(PickedEnd(dialog), QDateTime(QDate(2027, 3, 3), QTime(13, 0)));
        hours->SetText(QStringLiteral("24"));
        EXPECT_EQ(PickedEnd(dialog), QDateTime(QDate(2027, 3, 3), QTime(13, 0)));
        EXPECT_EQ(hours->Text(), QStringLiteral("24"));
        QTest::keyClicks(hours, QStringLiteral("x"));
        EXPECT_EQ(hours->Text(), QStringLiteral("24")) << "only whole numbers can be typed";

        // Moving the start 30 minutes later shortens the duration; the end stays.
        dialog.findChild<QTimeEdit*>(QStringLiteral("DateTimePicker1"))->setTime(QTime(8, 30));
        EXPECT_EQ(Durations(dialog), QStringLiteral("2/4/30"));
        EXPECT_EQ(PickedEnd(dialog), QDateTime(QDate(2027, 3, 3), QTime(13, 0)));

        // A start past the end shows nothing left and pulls the end to the start.
        dialog.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"))->setDate(QDate(2027, 3, 9));
        EXPECT_EQ(Durations(dialog), QStringLiteral("0/0/0"));
        EXPECT_EQ(PickedEnd(dialog), QDateTime(QDate(2027, 3, 9), QTime(8, 30)));
    });
    EditTask(node);
    const TVorgangRec& rec = VorgangOf(Doc, node);
    EXPECT_DOUBLE_EQ(rec.Beginn, At(2027, 3, 9, 8, 30));
    EXPECT_DOUBLE_EQ(rec.Ende, At(2027, 3, 9, 8, 30));
    EXPECT_TRUE(Doc.Changed);
}

TEST_F(Editors, OkWithoutChangesStoresWhatTheControlsShow)
{
    TOutlineNode* node = Task("Keller", At(2027, 3, 1, 8), At(2027, 3, 2, 20));
    TOutlineNode* r1 = ArbEinf(Doc, nullptr);
    TOutlineNode* r2 = ArbEinf(Doc, nullptr);
    TVorgangRec& rec = VorgangOf(Doc, node);
    rec.FixedCosts = 12.3456;
    rec.Zahl2 = 2.5;
    WideCopy(rec.Notes, QStringLiteral("Zeile 1\r\nZeile 2"));
    for (TOutlineNode* r : {r2, r1, r2})
        *static_cast<int32_t*>(rec.Resources->Append()) = ArbeiterOf(Doc, r).Id;

    Script([](QDialog& dialog) {
        EXPECT_EQ(In<TDecimalSpinEdit>(dialog, "RxSpinEdit4")->Text(), QStringLiteral("12,35"));
        EXPECT_EQ(In<QTableWidget>(dialog, "TntStringGrid1")->item(7, 2)->text(), QStringLiteral("2,5"));
    });
    EditTask(node);
    EXPECT_TRUE(Doc.Changed);
    EXPECT_DOUBLE_EQ(rec.FixedCosts, 12.35);
    EXPECT_DOUBLE_EQ(rec.Zahl2, 2.5);
    EXPECT_DOUBLE_EQ(rec.Ende, At(2027, 3, 2, 20));
    EXPECT_EQ(TextOf(rec.Notes), QStringLiteral("Zeile 1\r\nZeile 2"));
    ASSERT_EQ(rec.Resources->Count, 2u) << "each resource once, in outline order";
    EXPECT_EQ(*static_cast<int32_t*>(rec.Resources->At(0)), ArbeiterOf(Doc, r1).Id);
    EXPECT_EQ(*static_cast<int32_t*>(rec.Resources->At(1)), ArbeiterOf(Doc, r2).Id);
}

TEST_F(Editors, TypedValuesAreStoredAsTyped)
{
    TOutlineNode* node = Task("Keller", At(2027, 3, 1), At(2027, 3, 2));
    TVorgangRec& rec = VorgangOf(Doc, node);
    rec.Zahl1 = 1;
    rec.Zahl3 = 3;
    rec.Zahl4 = 4;
    Script([](QDialog& dialog) {
        In<QLineEdit>(dialog, "TntEdit1")->setText(QStringLiteral("Keller ausheben"));
        In<TDecimalSpinEdit>(dialog, "RxSpinEdit4")->SetText(QStringLiteral("12,3456"));
        In<QCheckBox>(dialog, "TntCheckBox1")->setChecked(true);
        In<QPlainTextEdit>(dialog, "TntMemo1")->setPlainText(QStringLiteral("a\nb"));
        auto* grid = In<QTableWidget>(dialog, "TntStringGrid1");
        grid->item(1, 2)->setText(QStringLiteral("Beton"));
        grid->item(6, 2)->setText(QStringLiteral("1.234,5"));
        grid->item(8, 2)->setText(QStringLiteral("drei"));
        grid->item(9, 2)->setText(QString());
        grid->item(6, 1)->setText(QStringLiteral("Menge"));
    });
    EditTask(node);
    EXPECT_EQ(node->text(0), QStringLiteral("Keller ausheben"));
    EXPECT_EQ(TextOf(rec.Name), QStringLiteral("Keller ausheben"));
    EXPECT_DOUBLE_EQ(rec.FixedCosts, 12.3456);
    EXPECT_EQ(rec.IncludeWorkCosts, 1);
    EXPECT_EQ(TextOf(rec.Notes), QStringLiteral("a\r\nb"));
    EXPECT_EQ(TextOf(rec.Text1), QStringLiteral("Beton"));
    EXPECT_DOUBLE_EQ(rec.Zahl1, 1234.5);
    EXPECT_DOUBLE_EQ(rec.Zahl3, 3) << "a cell that does not parse leaves its number";
    EXPECT_DOUBLE_EQ(rec.Zahl4, 4) << "an empty cell leaves its number";
    EXPECT_EQ(TextOf(Doc.VorgangFieldLabels[5]), QStringLiteral("Menge"));
    EXPECT_EQ(TextOf(Doc.ArbeiterFieldLabels[5]), QStringLiteral("Zahl 1"))
        << "resource labels are their own";

    // The label shows in the next task's editor; a cleared cost stores 0.
    TOutlineNode* other = Task("Dach", At(2027, 4, 1), At(2027, 4, 2));
    VorgangOf(Doc, other).FixedCosts = 7;
    Script([](QDialog& dialog) {
        EXPECT_EQ(In<QTableWidget>(dialog, "TntStringGrid1")->item(6, 1)->text(), QStringLiteral("Menge"));
        In<TDecimalSpinEdit>(dialog, "RxSpinEdit4")->SetText(QString());
    });
    EditTask(other);
    EXPECT_DOUBLE_EQ(VorgangOf(Doc, other).FixedCosts, 0);
}

TEST_F(Editors, CancelStoresNothing)
{
    TOutlineNode* node = Task("Keller", At(2027, 3, 1), At(2027, 3, 2));
    TVorgangRec& rec = VorgangOf(Doc, node);
    rec.FixedCosts = 12.3456;
    Script(
        [](QDialog& dialog) {
            In<QLineEdit>(dialog, "TntEdit1")->setText(QStringLiteral("anders"));
            In<QTableWidget>(dialog, "TntStringGrid1")->item(1, 1)->setText(QStringLiteral("Etikett"));
            In<TWholeSpinEdit>(dialog, "DaysEd")->SetText(QStringLiteral("5"));
        },
        QDialog::Rejected);
    EditTask(node);
    EXPECT_FALSE(Doc.Changed);
    EXPECT_EQ(node->text(0), QStringLiteral("Keller"));
    EXPECT_DOUBLE_EQ(rec.FixedCosts, 12.3456);
    EXPECT_DOUBLE_EQ(rec.Ende, At(2027, 3, 2));
    EXPECT_EQ(TextOf(Doc.VorgangFieldLabels[0]), QStringLiteral("Text 1"));
}

TEST_F(Editors, PredecessorListHoldsEveryOtherLiveTask)
{
    TOutlineNode* a = Task("A", 0, 0);
    TOutlineNode* b = Task("B", 0, 0);
    TOutlineNode* c = Task("C", 0, 0);
    TOutlineNode* d = Task("D", 0, 0);
    TVorgangRec& rec = VorgangOf(Doc, c);
    rec.Link = VorgangOf(Doc, b).Id + 1;
    RemoveNode(Doc, TOutlineKind::Vorgang, a);

    Script([](QDialog& dialog) {
        auto* list = In<QComboBox>(dialog, "LinkEd");
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->itemText(i);
        EXPECT_EQ(names, QStringList({QStringLiteral("B"), QStringLiteral("D")}));
        EXPECT_EQ(list->currentIndex(), 0);
        list->setCurrentIndex(1);
    });
    EditTask(c);
    EXPECT_EQ(rec.Link, VorgangOf(Doc, d).Id + 1);

    Script([](QDialog& dialog) { In<QPushButton>(dialog, "BitBtn3")->click(); });
    EditTask(c);
    EXPECT_EQ(rec.Link, 0) << "Link lösen";

    // A predecessor that was deleted shows no selection and becomes 0.
    rec.Link = VorgangOf(Doc, d).Id + 1;
    RemoveNode(Doc, TOutlineKind::Vorgang, d);
    Script([](QDialog& dialog) { EXPECT_EQ(In<QComboBox>(dialog, "LinkEd")->currentIndex(), -1); });
    EditTask(c);
    EXPECT_EQ(rec.Link, 0);
}

TEST_F(Editors, ResourceMarksAreStoredInOutlineOrder)
{
    TOutlineNode* task = Task("Keller", 0, 0);
    TOutlineNode* group = ArbEinf(Doc, nullptr);
    TOutlineNode* member = ArbEinfChild(Doc, group);
    TOutlineNode* gone = ArbEinf(Doc, nullptr);
    TOutlineNode* single = ArbEinf(Doc, nullptr);
    TVorgangRec& rec = VorgangOf(Doc, task);
    const int32_t goneId = ArbeiterOf(Doc, gone).Id;
    for (TOutlineNode* r : {single, gone, member})
        *static_cast<int32_t*>(rec.Resources->Append()) = ArbeiterOf(Doc, r).Id;
    RemoveNode(Doc, TOutlineKind::Arbeiter, gone);

    Script([](QDialog& dialog) {
        auto* tree = In<QTreeWidget>(dialog, "HTMLTreeview1");
        ASSERT_EQ(tree->topLevelItemCount(), 2);
        QTreeWidgetItem* copyOfGroup = tree->topLevelItem(0);
        EXPECT_FALSE(copyOfGroup->isExpanded());
        EXPECT_EQ(copyOfGroup->checkState(0), Qt::Unchecked);
        EXPECT_EQ(copyOfGroup->child(0)->checkState(0), Qt::Checked);
        EXPECT_EQ(tree->topLevelItem(1)->checkState(0), Qt::Checked);
        copyOfGroup->setCheckState(0, Qt::Checked);
        EXPECT_EQ(copyOfGroup->child(0)->checkState(0), Qt::Checked) << "marks never spread";
        copyOfGroup->child(0)->setCheckState(0, Qt::Unchecked);
        EXPECT_EQ(copyOfGroup->checkState(0), Qt::Checked);
    });
    EditTask(task);
    std::vector<int32_t> ids;
    for (uint32_t i = 0; i < rec.Resources->Count; ++i)
        ids.push_back(*static_cast<int32_t*>(rec.Resources->At(i)));
    EXPECT_EQ(ids, (std::vector<int32_t>{ArbeiterOf(Doc, group).Id, ArbeiterOf(Doc, single).Id}));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), goneId), 0);
}

TEST_F(Editors, EmptyResourceOutlineGivesAnEmptyList)
{
    TOutlineNode* task = Task("Keller", 0, 0);
    *static_cast<int32_t*>(VorgangOf(Doc, task).Resources->Append()) = 7;
    Script(
        [](QDialog& dialog) { EXPECT_EQ(In<QTreeWidget>(dialog, "HTMLTreeview1")->topLevelItemCount(), 0); });
    EditTask(task);
    EXPECT_EQ(VorgangOf(Doc, task).Resources->Count, 0u);
}

TEST_F(Editors, EachEditorKeepsItsPage)
{
    TOutlineNode* task = Task("Keller", 0, 0);
    TOutlineNode* resource = ArbEinf(Doc, nullptr);
    Script([](QDialog& dialog) {
        auto* pages = In<QTabWidget>(dialog, "PageControl1");
        EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Details"));
        EXPECT_FALSE(pages->isTabVisible(2)) << "Abarbeitungsstatus is hidden";
        pages->setCurrentIndex(4);
    });
    EditTask(task);
    Script([](QDialog& dialog) {
        auto* pages = In<QTabWidget>(dialog, "PageControl1");
        EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Details"));
        pages->setCurrentIndex(2);
    });
    EditResource(resource);
    Script(
        [](QDialog& dialog) {
            auto* pages = In<QTabWidget>(dialog, "PageControl1");
            EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Kosten/Notizen"));
        },
        QDialog::Rejected);
    EditTask(task);
    Script(
        [](QDialog& dialog) {
            auto* pages = In<QTabWidget>(dialog, "PageControl1");
            EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Notizen"));
        },
        QDialog::Rejected);
    EditResource(resource);
}

TEST_F(Editors, ResourceEditorStoresItsFields)
{
    TOutlineNode* node = ArbEinf(Doc, nullptr);
    TArbeiterRec& rec = ArbeiterOf(Doc, node);
    rec.CostPerHour = 12.3456;
    rec.CostPerUse = 3;
    rec.Members = 4;
    rec.Zahl2 = 2;
    Script([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ressource bearbeiten"));
        EXPECT_EQ(In<TDecimalSpinEdit>(dialog, "RxSpinEdit1")->Text(), QStringLiteral("12,35"));
        In<QLineEdit>(dialog, "TntEdit1")->setText(QStringLiteral("Maurer"));
        In<QLineEdit>(dialog, "TntEdit2")->setText(QStringLiteral("łukasz@bau.example"));
        In<TDecimalSpinEdit>(dialog, "RxSpinEdit2")->SetText(QString());
        In<TWholeSpinEdit>(dialog, "RxSpinEdit3")->SetText(QStringLiteral("-"));
        auto* grid = In<QTableWidget>(dialog, "TntStringGrid1");
        grid->item(7, 2)->setText(QStringLiteral("zwei"));
        grid->item(2, 1)->setText(QStringLiteral("Telefon"));
        In<QPlainTextEdit>(dialog, "TntMemo1")->setPlainText(QStringLiteral("x\ny"));
    });
    EditResource(node);
    EXPECT_TRUE(Doc.Changed);
    EXPECT_EQ(TextOf(rec.Name), QStringLiteral("Maurer"));
    EXPECT_EQ(TextOf(rec.EMail), QStringLiteral("łukasz@bau.example"));
    EXPECT_DOUBLE_EQ(rec.CostPerHour, 12.35);
    EXPECT_DOUBLE_EQ(rec.CostPerUse, 0);
    EXPECT_EQ(rec.Members, 0);
    EXPECT_DOUBLE_EQ(rec.Zahl2, 2);
    EXPECT_EQ(TextOf(rec.Notes), QStringLiteral("x\r\ny"));
    EXPECT_EQ(TextOf(Doc.ArbeiterFieldLabels[1]), QStringLiteral("Telefon"));
    EXPECT_EQ(TextOf(Doc.VorgangFieldLabels[1]), QStringLiteral("Text 2"));

    Script(
        [](QDialog& dialog) {
            EXPECT_EQ(In<QTableWidget>(dialog, "TntStringGrid1")->item(2, 1)->text(),
                      QStringLiteral("Telefon"));
            In<QLineEdit>(dialog, "TntEdit1")->setText(QStringLiteral("anders"));
        },
        QDialog::Rejected);
    EditResource(node);
    EXPECT_EQ(TextOf(rec.Name), QStringLiteral("Maurer"));
}

TEST_F(Editors, LabelsTypedInTheEditorsSurviveNeuAndOeffnen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("leer.zkt"));
    {
        TMainForm other;
        other.Doc().FileName = path;
        ASSERT_TRUE(other.SaveTheFile());
    }
    Script([](QDialog& dialog) {
        In<QTableWidget>(dialog, "TntStringGrid1")->item(3, 1)->setText(QStringLiteral("Gewerk"));
    });
    EditTask(Task("Keller", At(2027, 3, 1), At(2027, 3, 2)));
    Script([](QDialog& dialog) {
        In<QTableWidget>(dialog, "TntStringGrid1")->item(8, 1)->setText(QStringLiteral("Stundenzahl"));
    });
    EditResource(ArbEinf(Doc, nullptr));
    Form.SetUnChanged();

    Form.findChild<QAction*>(QStringLiteral("DateiNeu1"))->trigger();
    ASSERT_EQ(Vorgangs->topLevelItemCount(), 0);
    ASSERT_TRUE(Form.OpenFile(path));

    Script([](QDialog& dialog) {
        EXPECT_EQ(In<QTableWidget>(dialog, "TntStringGrid1")->item(3, 1)->text(), QStringLiteral("Gewerk"));
    });
    EditTask(Task("Dach", At(2027, 4, 1), At(2027, 4, 2)));
    Script([](QDialog& dialog) {
        auto* grid = In<QTableWidget>(dialog, "TntStringGrid1");
        EXPECT_EQ(grid->item(8, 1)->text(), QStringLiteral("Stundenzahl"));
        EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("Text 3"));
    });
    EditResource(ArbEinf(Doc, nullptr));
    EXPECT_TRUE(Modal.Dialogs.empty());
}

} // namespace
