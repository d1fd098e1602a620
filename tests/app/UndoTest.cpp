#include "Undo.h"

#include "ChartBitmap.h"
#include "MainUnit.h"
#include "Outline.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "ScriptedModal.h"
#include "SpinEdits.h"
#include "Texts.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>
#include <random>

namespace {

// What an undo or redo must bring back: the file image (records, Ids, links,
// resource lists, dates, expanded states, ViewStart), the labels and the selection.
struct TSnapshot
{
    QByteArray Bytes;
    QStringList Labels;
    QStringList Selection;

    bool operator==(const TSnapshot&) const = default;
};

void PrintTo(const TSnapshot& s, std::ostream* out)
{
    *out << "selection " << s.Selection.join(u'/').toStdString() << "; labels "
         << s.Labels.join(u',').toStdString() << "; " << s.Bytes.size() << " bytes "
         << s.Bytes.toHex().toStdString();
}

QString PathText(TOutlineNode* node)
{
    QStringList steps;
    for (; node; node = node->parent())
        steps.prepend(QString::number(node->parent() ? node->parent()->indexOfChild(node)
                                                     : node->treeWidget()->indexOfTopLevelItem(node)));
    return steps.join(u'.');
}

std::vector<TOutlineNode*> Nodes(TOutlineTree* outline)
{
    std::vector<TOutlineNode*> nodes;
    for (TOutlineIterator it(outline); *it; ++it)
        nodes.push_back(*it);
    return nodes;
}

class Undo : public testing::Test
{
protected:
    TMainForm Form;
    TScriptedModal Modal;
    TDocument& Doc = Form.Doc();
    TOutlineTree* Vorgangs = Form.findChild<TOutlineTree*>(QStringLiteral("Vorgangs"));
    TOutlineTree* Arbeiter = Form.findChild<TOutlineTree*>(QStringLiteral("Arbeiter"));
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("Umbau.zkt"));
    std::mt19937 Random{1};

    Undo() { Form.SetModal(&Modal); }
    ~Undo() override { Form.SetModal(nullptr); }

    QAction* Item(const char* name) { return Form.findChild<QAction*>(QLatin1String(name)); }
    void Trigger(const char* name) { Item(name)->trigger(); }
    bool Starred() const { return Form.windowTitle().endsWith(QStringLiteral("*]")); }
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(Random); }

    TSnapshot Snapshot()
    {
        TSnapshot s{WriteProject(Doc), {}, {}};
        for (const TFieldLabels* labels : {&Doc.VorgangFieldLabels, &Doc.ArbeiterFieldLabels})
            for (const char16_t* label : *labels)
                s.Labels << TextOf(label);
        for (TOutlineTree* outline : {Vorgangs, Arbeiter})
            s.Selection << PathText(SelectedNode(outline));
        return s;
    }

    // A project saved with deleted records, so its Ids have gaps and the Ids of new
    // records start above them; links and resource lists (one naming a deleted
    // resource) lead across the outline. It is opened again: history empty, unchanged.
    void OpenProjectWithGaps()
    {
        std::vector<TOutlineNode*> tasks;
        for (int i = 0; i < 14; ++i) {
            TOutlineNode* parent = i % 4 == 3 ? tasks[std::size_t(i - 1)] : nullptr;
            tasks.push_back(parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr));
            TVorgangRec& rec = VorgangOf(Doc, tasks.back());
            rec.Beginn = 46000 + i;
            rec.Ende = 46000 + i + 0.25 * (i % 5);
            ReplaceText(rec.Notes, QStringLiteral("Notiz %1").arg(i));
        }
        std::vector<TOutlineNode*> resources;
        for (int i = 0; i < 7; ++i)
            resources.push_back(i % 3 == 2 ? ArbEinfChild(Doc, resources.back()) : ArbEinf(Doc, nullptr));
        for (std::size_t i = 2; i < tasks.size(); i += 3)
            VorgangOf(Doc, tasks[i]).Link = VorgangOf(Doc, tasks[i - 2]).Id + 1;
        for (std::size_t i = 0; i < tasks.size(); i += 2)
            for (std::size_t r = i % 3; r < resources.size(); r += 2)
                *static_cast<int32_t*>(VorgangOf(Doc, tasks[i]).Resources->Append()) =
                    ArbeiterOf(Doc, resources[r]).Id;
        for (std::size_t i : {1, 5, 9})
            RemoveNode(Doc, TOutlineKind::Vorgang, tasks[i]);
        RemoveNode(Doc, TOutlineKind::Arbeiter, resources[3]);
        SetExpanded(tasks[2], true);
        Doc.ViewStart = 46000; // the bars in view
        Doc.FileName = Path;
        ASSERT_TRUE(Form.SaveTheFile());
        ASSERT_TRUE(Form.OpenFile(Path));
        ASSERT_FALSE(Item("BearbeitenRueckgaengig1")->isEnabled());
    }

    // The resource chart as the window paints it, keeping its index of the tasks'
    // resources from one repaint to the next, against one drawn from nothing.
    void CheckResourceChart()
    {
        auto* chart = Form.findChild<QWidget*>(QStringLiteral("PaintBox2"));
        const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage fresh(chart->size(), QImage::Format_RGB32);
        QImage bitmap;
        QPainter painter(&fresh);
        PaintRessourcenChart(Doc, bitmap, chart->size(),
                             Form.findChild<QSpinBox*>(QStringLiteral("BreitEd"))->value(), painter, nullptr);
        painter.end();
        ASSERT_EQ(shown, fresh);
    }

    void SelectRandom(TOutlineTree* outline)
    {
        const std::vector<TOutlineNode*> nodes = Nodes(outline);
        const int pick = Pick(int(nodes.size()) + 1);
        if (pick == int(nodes.size()))
            outline->clearSelection();
        else
            outline->setCurrentItem(nodes[std::size_t(pick)]);
    }

    void ScriptTaskEditor()
    {
        const int link = Pick(6);
        const int days = Pick(3);
        const int check = Pick(8);
        const bool relabel = Pick(3) == 0;
        Modal.Dialogs.push_back([=](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("TntEdit1"))
                ->setText(QStringLiteral("Bearbeitet %1").arg(link));
            auto* start = dialog.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"));
            start->setDate(start->date().addDays(days));
            auto* links = dialog.findChild<QComboBox*>(QStringLiteral("LinkEd"));
            if (link == 0)
                dialog.findChild<QPushButton*>(QStringLiteral("BitBtn3"))->click();
            else if (links->count() > 0)
                links->setCurrentIndex(link % links->count());
            std::vector<QTreeWidgetItem*> marks;
            for (QTreeWidgetItemIterator it(dialog.findChild<QTreeWidget*>(QStringLiteral("HTMLTreeview1")));
                 *it; ++it)
                marks.push_back(*it);
            if (!marks.empty()) {
                QTreeWidgetItem* mark = marks[std::size_t(check) % marks.size()];
                mark->setCheckState(0, mark->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            }
            if (relabel)
                dialog.findChild<QTableWidget*>(QStringLiteral("TntStringGrid1"))
                    ->item(link % 10, 1)
                    ->setText(QStringLiteral("Feld %1").arg(days));
            return int(QDialog::Accepted);
        });
    }

    void ScriptResourceEditor()
    {
        const int value = Pick(100);
        Modal.Dialogs.push_back([=](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("TntEdit1"))
                ->setText(QStringLiteral("Maler %1").arg(value));
            dialog.findChild<TDecimalSpinEdit*>(QStringLiteral("RxSpinEdit1"))->SetValue(value * 1.5);
            dialog.findChild<QTableWidget*>(QStringLiteral("TntStringGrid1"))
                ->item(value % 10, 1)
                ->setText(QStringLiteral("Spalte %1").arg(value));
            return int(QDialog::Accepted);
        });
    }

    // Runs one random command on the selection of the task outline (tasks) or the
    // resource outline; true when it is an undo step.
    bool RandomCommand(bool tasks)
    {
        TOutlineNode* selection = SelectedNode(tasks ? Vorgangs : Arbeiter);
        static const char* const taskItems[] = {
            "EinfgenVorgangeinfgen1",       "EinfgenVorgangalsUntergeordnetesObjekteinfgen1",
            "VorgngeVorganglschen1",        "VorgangEinrueck",
            "VorgngeVorgangeineEbenehher1", "VorgngeNachobenverschieben1",
            "VorgngeNachuntenverschieben1", "VorgngeVorgangbearbeiten1"};
        static const char* const resourceItems[] = {"RessourcenArbeiterRessourceeinfgen1",
                                                    "InsertRes",
                                                    "DelRes",
                                                    "ResEinruck",
                                                    "ResEbeneHoch",
                                                    "Movehoch",
                                                    "MoveRunter",
                                                    "EditRes"};
        const int command = Pick(10);
        if (command >= 8) {
            if (!selection)
                return false;
            const QString text = QStringLiteral("Umbenannt %1").arg(Pick(1000));
            tasks ? Form.VorgangsEdited(selection, text) : Form.ArbeiterEdited(selection, text);
            selection->setText(0, text);
            return true;
        }
        const bool opensEditor = command == 7 && selection && selection->childCount() == 0;
        if (opensEditor)
            tasks ? ScriptTaskEditor() : ScriptResourceEditor();
        Trigger(tasks ? taskItems[command] : resourceItems[command]);
        EXPECT_TRUE(Modal.Dialogs.empty());
        if (command == 7)
            return opensEditor;
        return command <= 2 || selection;
    }
};

// Random commands on a loaded project, with undos, redos and a save among them;
// every state on the way is compared when it comes back, and the changed mark
// is checked after every step.
class RandomUndo : public Undo, public testing::WithParamInterface<unsigned>
{};

TEST_P(RandomUndo, EditsComeBackExactlyAndTheChangedMarkFollows)
{
    Random.seed(GetParam());
    OpenProjectWithGaps();
    const QByteArray original = Snapshot().Bytes;
    std::vector<TSnapshot> before; // per step: the document just before it
    std::vector<TSnapshot> after;  // and just after it
    std::size_t position = 0;
    std::ptrdiff_t saved = 0;
    auto undo = [&] {
        const QString step = Item("BearbeitenRueckgaengig1")->text();
        Trigger("BearbeitenRueckgaengig1");
        --position;
        ASSERT_EQ(Snapshot(), before[position]) << step.toStdString() << " to " << position;
        EXPECT_EQ(Starred(), std::ptrdiff_t(position) != saved);
    };
    auto redo = [&] {
        const QString step = Item("BearbeitenWiederholen1")->text();
        Trigger("BearbeitenWiederholen1");
        ASSERT_EQ(Snapshot(), after[position]) << step.toStdString() << " to " << position + 1;
        ++position;
        EXPECT_EQ(Starred(), std::ptrdiff_t(position) != saved);
    };
    for (int round = 0; round < 400; ++round) {
        const int what = Pick(20);
        if (what == 0 && position > 0) {
            for (int n = Pick(4); n >= 0 && position > 0; --n)
                undo();
        } else if (what == 1 && position < after.size()) {
            redo();
        } else if (what == 2) {
            Trigger("DateiSpeichern1");
            saved = std::ptrdiff_t(position);
            EXPECT_FALSE(Starred());
        } else {
            const bool tasks = Pick(3) > 0;
            SelectRandom(tasks ? Vorgangs : Arbeiter);
            const TSnapshot start = Snapshot();
            if (!RandomCommand(tasks)) {
                EXPECT_EQ(Snapshot().Bytes, start.Bytes);
                continue;
            }
            before.resize(position);
            after.resize(position);
            if (saved > std::ptrdiff_t(position))
                saved = -1;
            before.push_back(start);
            after.push_back(Snapshot());
            ++position;
            EXPECT_TRUE(Starred());
            EXPECT_TRUE(Item("BearbeitenRueckgaengig1")->isEnabled());
            EXPECT_FALSE(Item("BearbeitenWiederholen1")->isEnabled());
        }
        ASSERT_NO_FATAL_FAILURE(CheckResourceChart()) << "round " << round;
        if (HasFatalFailure())
            return;
    }
    ASSERT_GT(after.size(), 100u);
    const TSnapshot last = Snapshot();
    const std::size_t top = position;
    while (position > 0)
        undo();
    EXPECT_FALSE(Item("BearbeitenRueckgaengig1")->isEnabled());
    EXPECT_EQ(Snapshot().Bytes, original);
    while (position < top)
        redo();
    EXPECT_EQ(Snapshot().Bytes, last.Bytes);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomUndo, testing::Values(1u, 32u, 38u));

TEST_F(Undo, ItemsNameTheirStepAndNewStartsAnEmptyHistory)
{
    QAction* undo = Item("BearbeitenRueckgaengig1");
    QAction* redo = Item("BearbeitenWiederholen1");
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                      QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));

    Trigger("EinfgenVorgangeinfgen1");
    Trigger("VorgngeVorganglschen1"); // nothing selected: still a step, as it marks the document changed
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig: Vorgang löschen"));
    undo->trigger();
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig: Vorgang einfügen"));
    EXPECT_EQ(redo->text(), QStringLiteral("Wiederholen: Vorgang löschen"));
    EXPECT_TRUE(redo->isEnabled());
    Trigger("VorgangEinrueck"); // nothing selected: not a step, the redo stays
    EXPECT_TRUE(redo->isEnabled());
    Vorgangs->topLevelItem(0)->setExpanded(true);
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig: Vorgang einfügen")) << "expanding is no step";

    Modal.Answers.push_back(QMessageBox::No);
    Trigger("DateiNeu1");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig"));
}

// Undoing an insertion leaves its Id used: the next record takes a new one, and a
// stale Id in a task's resource list never comes to name a new resource.
TEST_F(Undo, AnUndoneInsertionsIdIsNeverGivenAgain)
{
    Trigger("RessourcenArbeiterRessourceeinfgen1");
    const int32_t first = ArbeiterOf(Doc, Arbeiter->topLevelItem(0)).Id;
    Trigger("BearbeitenRueckgaengig1");
    EXPECT_EQ(Arbeiter->topLevelItemCount(), 0);
    Trigger("RessourcenArbeiterRessourceeinfgen1");
    EXPECT_NE(ArbeiterOf(Doc, Arbeiter->topLevelItem(0)).Id, first);
    Trigger("BearbeitenRueckgaengig1");
    Trigger("BearbeitenWiederholen1");
    ASSERT_EQ(Arbeiter->topLevelItemCount(), 1);
    EXPECT_EQ(ArbeiterOf(Doc, Arbeiter->topLevelItem(0)).Id, first + 1) << "redo brings back the same record";
}

// The recalculation of a command moves tasks elsewhere; one undo takes that back
// too, and a summary task's span with it.
TEST_F(Undo, DeletingAPredecessorAndItsFollowersLinkComeBackTogether)
{
    TOutlineNode* phase = VorgEinf(Doc, nullptr);
    TOutlineNode* first = VorgEinfChild(Doc, phase);
    TOutlineNode* second = VorgEinf(Doc, nullptr);
    VorgangOf(Doc, first).Beginn = 46000;
    VorgangOf(Doc, first).Ende = 46003;
    VorgangOf(Doc, second).Beginn = 46010;
    VorgangOf(Doc, second).Ende = 46012;
    VorgangOf(Doc, second).Link = VorgangOf(Doc, first).Id + 1;
    Form.SetChanged();
    Form.SetUnChanged();
    const QByteArray start = WriteProject(Doc);
    ASSERT_EQ(VorgangOf(Doc, second).Beginn, 46003);

    Vorgangs->setCurrentItem(phase);
    Trigger("VorgngeVorganglschen1");
    EXPECT_EQ(VorgangOf(Doc, second).Link, 0);
    Trigger("BearbeitenRueckgaengig1");
    EXPECT_EQ(WriteProject(Doc), start);
    EXPECT_FALSE(Starred());
    EXPECT_EQ(SelectedNode(Vorgangs), Vorgangs->topLevelItem(0));
    EXPECT_EQ(VorgangOf(Doc, Vorgangs->topLevelItem(0)->child(0)).Ende, 46003);
}

// An undo puts dates back without recalculating; the window has them checked, so
// the command after it recalculates only what it reaches instead of every task.
TEST_F(Undo, TheCommandAfterAnUndoRecalculatesOnlyWhatItReaches)
{
    for (int i = 0; i < 3000; ++i)
        VorgEinf(Doc, nullptr);
    TOutlineNode* predecessor = Vorgangs->topLevelItem(5);
    TOutlineNode* follower = Vorgangs->topLevelItem(6);
    VorgangOf(Doc, follower).Link = VorgangOf(Doc, predecessor).Id + 1;
    Form.SetChanged();
    Vorgangs->setCurrentItem(predecessor);
    Trigger("VorgngeVorganglschen1");
    Trigger("BearbeitenRueckgaengig1");
    predecessor = Vorgangs->topLevelItem(5);
    TUndoRecording recording(Doc, QStringLiteral("Bearbeiten"));
    NoteEditing(Doc, TOutlineKind::Vorgang, predecessor, false);
    VorgangOf(Doc, predecessor).Ende += 2;
    EXPECT_LE(Recalculate(Doc).Steps, 4u);
    EXPECT_EQ(VorgangOf(Doc, follower).Beginn, VorgangOf(Doc, predecessor).Ende);
    recording.Commit();
}

} // namespace
