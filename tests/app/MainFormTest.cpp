#include "Canvas.h"
#include "Charts.h"
#include "DynaArray.h"
#include "MainUnit.h"
#include "Outline.h"
#include "OutlineView.h"
#include "Printers.h"
#include "ScriptedModal.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

class MainForm : public testing::Test
{
protected:
    TMainForm Form;

    template <typename T> T* Find(const char* name)
    {
        T* child = Form.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    TOutlineTree* Vorgangs() { return Find<TOutlineTree>("Vorgangs"); }
};

TEST(MainTitle, ShowsFileAndChangedMark)
{
    EXPECT_EQ(MainTitle(QString(), false), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt]"));
    EXPECT_EQ(MainTitle(QString(), true), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt*]"));
    EXPECT_EQ(MainTitle(QStringLiteral("/home/anna/Bau 2027.zkt"), true),
              QStringLiteral("Kelmorin Zeitkant 1.0 - [/home/anna/Bau 2027.zkt*]"));
}

TEST_F(MainForm, TitleFollowsTheChangedState)
{
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt]"));
    EXPECT_FALSE(Form.Doc().Changed);

    VorgEinf(Form.Doc(), nullptr);
    Form.SetChanged();
    EXPECT_TRUE(Form.Doc().Changed);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt*]"));

    Form.Doc().FileName = QStringLiteral("/tmp/Projekt.zkt");
    Form.SetChanged();
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [/tmp/Projekt.zkt*]"));
    Form.SetUnChanged();
    EXPECT_FALSE(Form.Doc().Changed);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [/tmp/Projekt.zkt]"));
}

TEST_F(MainForm, ExpandingAndCollapsingLeaveTheDocumentUnchanged)
{
    TOutlineNode* parent = VorgEinf(Form.Doc(), nullptr);
    VorgEinfChild(Form.Doc(), parent);
    Form.SetUnChanged();
    Form.show();
    parent->setExpanded(true);
    parent->setExpanded(false);
    EXPECT_FALSE(Form.Doc().Changed);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Kelmorin Zeitkant 1.0 - [unbenannt.zkt]"));
}

// Every menu with its captions in order; "-" stands for a separator.
TEST_F(MainForm, MenuTreeIsComplete)
{
    const std::vector<std::pair<QString, QStringList>> expected = {
        {QStringLiteral("Datei"),
         {QStringLiteral("Neu"), QStringLiteral("-"), QStringLiteral("Öffnen"), QStringLiteral("Speichern"),
          QStringLiteral("Speichern unter..."), QStringLiteral("-"), QStringLiteral("Drucker einrichten"),
          QStringLiteral("Druckeinstellungen..."), QStringLiteral("Vorgänge drucken"),
          QStringLiteral("Ressourcen drucken"), QStringLiteral("Vorgänge und Ressourcen drucken"),
          QStringLiteral("-"), QStringLiteral("Beenden")}},
        {QStringLiteral("Bearbeiten"), {QStringLiteral("Rückgängig"), QStringLiteral("Wiederholen")}},
        {QStringLiteral("Ansicht"),
         {QStringLiteral("Viele Tage anzeigen"), QStringLiteral("Normal anzeigen"),
          QStringLiteral("Stunden anzeigen")}},
        {QStringLiteral("Vorgänge"),
         {QStringLiteral("Vorgang einfügen"), QStringLiteral("Vorgang als Untergeordnetes Objekt einfügen"),
          QStringLiteral("Vorgang löschen"), QStringLiteral("-"), QStringLiteral("Vorgang einrücken"),
          QStringLiteral("Vorgang eine Ebene höher"), QStringLiteral("-"),
          QStringLiteral("Nach oben verschieben"), QStringLiteral("Nach unten verschieben"),
          QStringLiteral("-"), QStringLiteral("Vorgang bearbeiten")}},
        {QStringLiteral("Ressourcen/Arbeiter"),
         {QStringLiteral("Ressource einfügen"),
          QStringLiteral("Ressource als Untergeordnetes Objekt einfügen"),
          QStringLiteral("Ressource löschen"), QStringLiteral("-"), QStringLiteral("Ressource einrücken"),
          QStringLiteral("Ressource eine Ebene höher"), QStringLiteral("-"),
          QStringLiteral("Nach oben verschieben"), QStringLiteral("Nach unten verschieben"),
          QStringLiteral("-"), QStringLiteral("Ressource bearbeiten")}},
        {QStringLiteral("Extras"),
         {QStringLiteral("Druckvorschau..."), QStringLiteral("Als PDF exportieren..."),
          QStringLiteral("Vorgangstabelle..."), QStringLiteral("Ressourcentabelle..."), QStringLiteral("-"),
          QStringLiteral("Exportieren als Microsoft-Project-XML..."),
          QStringLiteral("Importieren aus Microsoft-Project-XML...")}},
        {QStringLiteral("Hilfe"), {QStringLiteral("Über das Programm...")}},
    };
    const QList<QAction*> menus = Form.menuBar()->actions();
    ASSERT_EQ(menus.size(), qsizetype(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[qsizetype(m)]->text(), expected[m].first);
        QStringList captions;
        for (QAction* item : menus[qsizetype(m)]->menu()->actions())
            captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
        EXPECT_EQ(captions, expected[m].second) << expected[m].first.toStdString();
    }
}

TEST_F(MainForm, EveryCommandIsEnabled)
{
    for (const char* name : {"DateiNeu1", "Dateiffnen1", "DateiSpeichern1", "DateiSpeichernunter1",
                             "DateiDruckereinrichten1", "DateiDruckeinstellungen1", "DateiVorgngedrucken2",
                             "DateiRessourcendrucken1", "VorgangeundRessourcenDrucken", "DateiBeenden1",
                             "HilfeberdasProgramm2", "EditRes", "VorgngeVorgangbearbeiten1"})
        EXPECT_TRUE(Find<QAction>(name)->isEnabled()) << name;
}

TEST_F(MainForm, LayoutOfTheDayWidthAndChartAreas)
{
    auto* breitEd = Find<QSpinBox>("BreitEd");
    EXPECT_EQ(breitEd->minimum(), 2);
    EXPECT_EQ(breitEd->maximum(), 1000);
    EXPECT_EQ(breitEd->singleStep(), 5);
    EXPECT_EQ(breitEd->value(), 35);
    EXPECT_TRUE(breitEd->alignment() & Qt::AlignRight);
    EXPECT_EQ(breitEd->pos(), QPoint(112, 8));
    EXPECT_EQ(breitEd->width(), 65);
    auto* label = Find<QLabel>("Label1");
    EXPECT_EQ(label->text(), QStringLiteral("Breite eines Tages:"));
    EXPECT_EQ(label->pos(), QPoint(8, 8));

    for (const char* name : {"ScrollBar1", "ScrollBar2"}) {
        auto* bar = Find<QScrollBar>(name);
        EXPECT_EQ(bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 50);
        EXPECT_EQ(bar->height(), 17);
    }
    EXPECT_NE(Form.findChild<QWidget*>(QStringLiteral("PaintBox1")), nullptr);
    EXPECT_NE(Form.findChild<QWidget*>(QStringLiteral("PaintBox2")), nullptr);
    EXPECT_EQ(Form.statusBar()->objectName(), QStringLiteral("StatusBar1"));
}

TEST_F(MainForm, OutlinesHaveOneHeadedColumn)
{
    for (auto [name, heading] : {std::pair{"Vorgangs", "Vorgang"}, std::pair{"Arbeiter", "Ressource"}}) {
        auto* outline = Find<TOutlineTree>(name);
        EXPECT_EQ(outline->columnCount(), 1);
        EXPECT_EQ(outline->HeaderLabel(0), QLatin1String(heading));
        EXPECT_EQ(outline->indentation(), 19);
        EXPECT_EQ(outline->header()->height(), 18);
        EXPECT_EQ(outline->dragDropMode(), QAbstractItemView::NoDragDrop);
    }
    TOutlineNode* node = VorgEinf(Form.Doc(), nullptr);
    Form.show();
    EXPECT_EQ(Vorgangs()->visualItemRect(node).height(), 16);
}

TEST_F(MainForm, FirstShowingCentresTheWindowOnce)
{
    Form.show();
    EXPECT_TRUE(Form.FirstShowHandled());
    const QPoint centre = Form.screen()->availableGeometry().center();
    EXPECT_LE((Form.frameGeometry().center() - centre).manhattanLength(), 2);

    Form.hide();
    Form.move(5, 5);
    Form.show();
    EXPECT_EQ(Form.pos(), QPoint(5, 5)) << "later showings do nothing";
}

TEST_F(MainForm, ScrollersMoveTheFirstDayByWholeDays)
{
    auto* bar = Find<QScrollBar>("ScrollBar1");
    const double start = Form.Doc().ViewStart;
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(Form.Doc().ViewStart, start + 1);
    EXPECT_EQ(bar->value(), 50);
    Find<QScrollBar>("ScrollBar2")->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_DOUBLE_EQ(Form.Doc().ViewStart, start + 51);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_DOUBLE_EQ(Form.Doc().ViewStart, start + 1);
    EXPECT_EQ(Find<QScrollBar>("ScrollBar2")->value(), 50);
}

TEST_F(MainForm, ZoomCommandsSetTheDayWidth)
{
    auto* breitEd = Find<QSpinBox>("BreitEd");
    QSignalSpy changes(breitEd, &QSpinBox::textChanged);
    Find<QAction>("MenuItem2")->trigger();
    EXPECT_EQ(changes.count(), 0) << "Normal anzeigen at 35 changes nothing";
    Find<QAction>("AnsichtVielanzeigen1")->trigger();
    EXPECT_EQ(Form.DayWidth(), 17);
    Find<QAction>("MenuItem3")->trigger();
    EXPECT_EQ(Form.DayWidth(), 300);
    Find<QAction>("MenuItem2")->trigger();
    EXPECT_EQ(Form.DayWidth(), 35);
    EXPECT_EQ(changes.count(), 3);
}

// The task chart keeps the number of rows below its surface between repaints; every
// outline change must make it count again, or the printed resource chart would
// start at the wrong place.
TEST_F(MainForm, RowsBelowTheSurfaceAreRecountedAfterEveryOutlineChange)
{
    Form.show();
    QWidget* paintBox = Find<QWidget>("PaintBox1");
    TOutlineTree* outline = Vorgangs();
    auto expectedSplit = [&] {
        QImage image(paintBox->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        TCanvas canvas(painter);
        TChartParams params;
        params.AreaWidth = image.width();
        params.AreaHeight = image.height();
        TDocument& doc = Form.Doc();
        DrawVorgangs(doc, canvas, params);
        return doc.PrintSplitY;
    };
    auto check = [&](const char* step) {
        paintBox->grab();
        const int painted = Form.Doc().PrintSplitY;
        EXPECT_EQ(painted, expectedSplit()) << step;
    };

    outline->setCurrentItem(VorgEinf(Form.Doc(), nullptr));
    for (int i = 0; i < 30; ++i)
        Find<QAction>("EinfgenVorgangeinfgen1")->trigger();
    check("inserted");
    outline->setCurrentItem(outline->topLevelItem(5));
    for (int i = 0; i < 4; ++i)
        Find<QAction>("VorgangEinrueck")->trigger();
    check("indented");
    outline->topLevelItem(4)->setExpanded(false);
    check("collapsed");
    outline->topLevelItem(4)->setExpanded(true);
    check("expanded");
    outline->setCurrentItem(outline->topLevelItem(20));
    Find<QAction>("VorgngeVorganglschen1")->trigger();
    check("deleted");
    Find<QAction>("VorgngeNachobenverschieben1")->trigger();
    check("moved");
    outline->verticalScrollBar()->setValue(7);
    check("scrolled");
    Find<QAction>("MenuItem3")->trigger();
    check("zoomed");
}

// The expanded state the file and the charts read must be the one the outline
// shows, whatever mix of commands, keys and mouse clicks brought it there.
TEST_F(MainForm, ExpandedStatesFollowCommandsKeysAndClicks)
{
    Form.show();
    std::mt19937 random(11);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const char* commands[] = {
        "EinfgenVorgangeinfgen1",       "EinfgenVorgangalsUntergeordnetesObjekteinfgen1",
        "VorgngeVorganglschen1",        "VorgangEinrueck",
        "VorgngeVorgangeineEbenehher1", "VorgngeNachobenverschieben1",
        "VorgngeNachuntenverschieben1"};
    const Qt::Key keys[] = {Qt::Key_Right, Qt::Key_Left, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Asterisk};
    TOutlineTree* outline = Vorgangs();
    for (int i = 0; i < 12; ++i)
        Find<QAction>("EinfgenVorgangeinfgen1")->trigger();

    for (int step = 0; step < 600; ++step) {
        std::vector<TOutlineNode*> nodes;
        for (TOutlineIterator it(outline); *it; ++it)
            nodes.push_back(*it);
        if (!nodes.empty())
            outline->setCurrentItem(nodes[std::size_t(pick(int(nodes.size())))]);
        std::string what;
        switch (pick(4)) {
        case 0:
        case 1:
            what = commands[pick(7)];
            Find<QAction>(what.c_str())->trigger();
            break;
        case 2:
            what = "key " + std::to_string(step);
            QTest::keyClick(outline, keys[pick(5)]);
            break;
        default:
            // Only on nodes with children: on a leaf it opens the task editor.
            if (TOutlineNode* node = outline->currentItem(); node && node->childCount() > 0) {
                what = "double-click";
                const QRect rect = outline->visualItemRect(node);
                if (rect.isValid())
                    QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, rect.center());
            }
        }
        std::vector<TOutlineNode*> shown;
        for (TOutlineIterator it(outline); *it; ++it) {
            bool visible = true;
            for (TOutlineNode* p = (*it)->parent(); p; p = p->parent())
                visible = visible && IsExpanded(p);
            if (visible)
                shown.push_back(*it);
        }
        ASSERT_EQ(static_cast<TOutlineView*>(outline)->ShownRows(), shown)
            << "after " << what << " at step " << step;
    }
}

TEST_F(MainForm, BeendenClosesTheWindow)
{
    Form.show();
    Find<QAction>("DateiBeenden1")->trigger();
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(MainForm, AboutBoxOpensThroughTheModalSeam)
{
    TScriptedModal modal;
    Form.SetModal(&modal);
    QString title;
    modal.Dialogs.push_back([&](QDialog& dialog) {
        title = dialog.windowTitle();
        return int(QDialog::Accepted);
    });
    Find<QAction>("HilfeberdasProgramm2")->trigger();
    EXPECT_EQ(modal.DialogsShown, std::vector<QString>{QStringLiteral("AboutBox")});
    EXPECT_EQ(title, QStringLiteral("Info"));
    Form.SetModal(nullptr);
}

// Counts the store blocks (stores and resource lists) that are alive.
struct TBlockCount
{
    static inline int Alive = 0;
    static inline TStoreMemory::AllocFn Alloc = nullptr;
    static inline TStoreMemory::FreeFn Free = nullptr;

    static void* CountedAlloc(std::size_t bytes)
    {
        void* block = Alloc(bytes);
        Alive += block != nullptr;
        return block;
    }
    static void CountedFree(void* block, std::size_t bytes)
    {
        Alive -= block != nullptr;
        Free(block, bytes);
    }
};

TEST(MainFormLifetime, ClosingWithRecordsFreesThem)
{
    TBlockCount::Alloc = TStoreMemory::Alloc;
    TBlockCount::Free = TStoreMemory::Free;
    TStoreMemory::Alloc = TBlockCount::CountedAlloc;
    TStoreMemory::Free = TBlockCount::CountedFree;
    TBlockCount::Alive = 0;
    auto form = std::make_unique<TMainForm>();
    TDocument& doc = form->Doc();
    TOutlineNode* parent = VorgEinf(doc, nullptr);
    for (int i = 0; i < 120; ++i)
        *static_cast<int32_t*>(VorgangOf(doc, VorgEinfChild(doc, parent)).Resources->Append()) = 0;
    ArbEinfChild(doc, ArbEinf(doc, nullptr));
    form->SetChanged();
    const int alive = TBlockCount::Alive;
    form.reset();
    const int left = TBlockCount::Alive;
    TStoreMemory::Alloc = TBlockCount::Alloc;
    TStoreMemory::Free = TBlockCount::Free;
    EXPECT_GE(alive, 122) << "both stores and the 120 resource lists";
    EXPECT_EQ(left, 0) << "every store and list is freed with the window";
}

// The dialogs are made once, in this order, and live as long as the window.
TEST(MainFormLifetime, DialogsAreMadeInOrder)
{
    TMainForm form;
    QStringList made;
    for (QDialog* dialog : form.findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QFileDialog*>(dialog))
            made << dialog->objectName();
    EXPECT_EQ(made, (QStringList{QStringLiteral("ArbeiterForm"), QStringLiteral("VorgangForm"),
                                 QStringLiteral("AboutBox"), QStringLiteral("DruckeinstellungenForm")}));
}

// A mouse click selects a row and its chart row is tinted at once, in both charts;
// the row clicked before is white again.
TEST_F(MainForm, ClickedRowsAreTintedInTheirChart)
{
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    TDocument& doc = Form.Doc();
    for (int i = 0; i < 3; ++i) {
        VorgEinf(doc, nullptr);
        ArbEinf(doc, nullptr);
    }
    Form.SetChanged();
    for (const char* side : {"Vorgangs", "Arbeiter"}) {
        TOutlineTree* outline = Find<TOutlineTree>(side);
        QWidget* chart = Find<QWidget>(outline == Vorgangs() ? "PaintBox1" : "PaintBox2");
        // Row r of a chart begins below the two header rows of 17 pixels.
        auto rowColour = [&](int r) {
            return chart->grab().toImage().pixelColor(3 * 35 + 10, 34 + 17 * r + 8);
        };
        for (const int r : {1, 2}) {
            const QRect row = outline->visualItemRect(outline->topLevelItem(r));
            const QPoint at = outline->viewport()->mapTo(&Form, row.center());
            QTest::mouseClick(Form.windowHandle(), Qt::LeftButton, {}, at);
            EXPECT_EQ(rowColour(r), ChartColour::SelectedRow) << side << " row " << r;
            EXPECT_EQ(rowColour(3 - r), ChartColour::Row) << side << " row " << 3 - r;
        }
    }
}

} // namespace
