#include "Errors.h"
#include "MainUnit.h"
#include "Outline.h"
#include "OutlineDelegate.h"
#include "OutlineView.h"
#include "PaintBox.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

// The main window's layout, its menu tree and its event wiring.

namespace {

// One line of the main menu: a menu (no handler, no item name), one of its items,
// or a separator (caption "-"; its name may be empty).
struct TMenuLine
{
    enum TKind
    {
        Menu,
        Item,
        Separator,
    };
    TKind Kind;
    const char* Caption;
    const char* Name;
    void (TMainForm::*Handler)() = nullptr;
};

using M = TMainForm;
constexpr TMenuLine::TKind Menu = TMenuLine::Menu, Item = TMenuLine::Item, Sep = TMenuLine::Separator;

const TMenuLine MenuLines[] = {
    {Menu, "Datei", "MenuItem1"},
    {Item, "Neu", "DateiNeu1", &M::DateiNeu1Click},
    {Sep, "-", "N9"},
    {Item, "Öffnen", "Dateiffnen1", &M::Dateiffnen1Click},
    {Item, "Speichern", "DateiSpeichern1", &M::DateiSpeichern1Click},
    {Item, "Speichern unter...", "DateiSpeichernunter1", &M::DateiSpeichernunter1Click},
    {Sep, "-", "N7"},
    {Item, "Drucker einrichten", "DateiDruckereinrichten1", &M::DateiDruckereinrichten1Click},
    {Item, "Druckeinstellungen...", "DateiDruckeinstellungen1", &M::DateiDruckeinstellungen1Click},
    {Item, "Vorgänge drucken", "DateiVorgngedrucken2", &M::DateiVorgngedrucken2Click},
    {Item, "Ressourcen drucken", "DateiRessourcendrucken1", &M::DateiRessourcendrucken1Click},
    {Item, "Vorgänge und Ressourcen drucken", "VorgangeundRessourcenDrucken",
     &M::VorgangeundRessourcenDruckenClick},
    {Sep, "-", "N8"},
    {Item, "Beenden", "DateiBeenden1", &M::DateiBeenden1Click},
    {Menu, "Bearbeiten", "Bearbeiten1"},
    {Item, "Rückgängig", "BearbeitenRueckgaengig1", &M::BearbeitenRueckgaengig1Click},
    {Item, "Wiederholen", "BearbeitenWiederholen1", &M::BearbeitenWiederholen1Click},
    {Menu, "Ansicht", "Ansicht1"},
    {Item, "Viele Tage anzeigen", "AnsichtVielanzeigen1", &M::AnsichtVielanzeigen1Click},
    {Item, "Normal anzeigen", "MenuItem2", &M::MenuItem2Click},
    {Item, "Stunden anzeigen", "MenuItem3", &M::MenuItem3Click},
    {Menu, "Vorgänge", "Vorgnge1"},
    {Item, "Vorgang einfügen", "EinfgenVorgangeinfgen1", &M::EinfgenVorgangeinfgen1Click},
    {Item, "Vorgang als Untergeordnetes Objekt einfügen", "EinfgenVorgangalsUntergeordnetesObjekteinfgen1",
     &M::EinfgenVorgangalsUntergeordnetesObjekteinfgen1Click},
    {Item, "Vorgang löschen", "VorgngeVorganglschen1", &M::VorgngeVorganglschen1Click},
    {Sep, "-", ""},
    {Item, "Vorgang einrücken", "VorgangEinrueck", &M::VorgangEinrueckClick},
    {Item, "Vorgang eine Ebene höher", "VorgngeVorgangeineEbenehher1", &M::VorgngeVorgangeineEbenehher1Click},
    {Sep, "-", ""},
    {Item, "Nach oben verschieben", "VorgngeNachobenverschieben1", &M::VorgngeNachobenverschieben1Click},
    {Item, "Nach unten verschieben", "VorgngeNachuntenverschieben1", &M::VorgngeNachuntenverschieben1Click},
    {Sep, "-", ""},
    {Item, "Vorgang bearbeiten", "VorgngeVorgangbearbeiten1", &M::VorgngeVorgangbearbeiten1Click},
    {Menu, "Ressourcen/Arbeiter", "RessourcenArbeiter1"},
    {Item, "Ressource einfügen", "RessourcenArbeiterRessourceeinfgen1",
     &M::RessourcenArbeiterRessourceeinfgen1Click},
    {Item, "Ressource als Untergeordnetes Objekt einfügen", "InsertRes", &M::InsertResClick},
    {Item, "Ressource löschen", "DelRes", &M::DelResClick},
    {Sep, "-", ""},
    {Item, "Ressource einrücken", "ResEinruck", &M::ResEinruckClick},
    {Item, "Ressource eine Ebene höher", "ResEbeneHoch", &M::ResEbeneHochClick},
    {Sep, "-", ""},
    {Item, "Nach oben verschieben", "Movehoch", &M::MovehochClick},
    {Item, "Nach unten verschieben", "MoveRunter", &M::MoveRunterClick},
    {Sep, "-", ""},
    {Item, "Ressource bearbeiten", "EditRes", &M::EditResClick},
    {Menu, "Extras", "Extras1"},
    {Item, "Druckvorschau...", "ExtrasDruckvorschau1", &M::ExtrasDruckvorschau1Click},
    {Item, "Als PDF exportieren...", "ExtrasAlsPDFexportieren1", &M::ExtrasAlsPDFexportieren1Click},
    {Item, "Vorgangstabelle...", "ExtrasVorgangstabelle1", &M::ExtrasVorgangstabelle1Click},
    {Item, "Ressourcentabelle...", "ExtrasRessourcentabelle1", &M::ExtrasRessourcentabelle1Click},
    {Sep, "-", ""},
    {Item, "Exportieren als Microsoft-Project-XML...", "ExtrasMsProjectExport1",
     &M::ExtrasMsProjectExport1Click},
    {Item, "Importieren aus Microsoft-Project-XML...", "ExtrasMsProjectImport1",
     &M::ExtrasMsProjectImport1Click},
    {Menu, "Hilfe", "Hilfe1"},
    {Item, "Über das Programm...", "HilfeberdasProgramm2", &M::HilfeberdasProgramm2Click},
};

QWidget* Panel(QWidget* parent, const char* name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    return panel;
}

QVBoxLayout* Column(QWidget* owner)
{
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

QSplitter* Splitter(Qt::Orientation orientation, QWidget* parent, const char* name)
{
    auto* splitter = new QSplitter(orientation, parent);
    splitter->setObjectName(QLatin1String(name));
    splitter->setHandleWidth(3);
    splitter->setChildrenCollapsible(false);
    return splitter;
}

TOutlineTree* Outline(QWidget* parent, const char* name, const char* heading)
{
    auto* outline = new TOutlineView(parent);
    outline->setObjectName(QLatin1String(name));
    outline->setColumnCount(1);
    outline->setHeaderLabels({QString::fromUtf8(heading)});
    outline->setColumnWidth(0, 50);
    outline->header()->setFixedHeight(18);
    outline->header()->setSectionsMovable(false);
    outline->setIndentation(19);
    outline->setUniformRowHeights(true);
    outline->setSelectionMode(QAbstractItemView::SingleSelection);
    outline->setDragDropMode(QAbstractItemView::NoDragDrop);
    outline->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    return outline;
}

QScrollBar* DayScroller(QWidget* parent, const char* name)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, 100);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(50);
    bar->setFixedHeight(17);
    return bar;
}

} // namespace

// One side of the window: an outline under its spacer, beside its chart with the
// day scroll bar below.
struct TMainForm::TSide
{
    TOutlineTree*& Outline;
    TPaintBox*& PaintBox;
    QScrollBar*& ScrollBar;
    void (TMainForm::*Paint)(QPainter&);
    const char *Panel, *Splitter, *OutlineBox, *Spacer, *OutlineName, *Heading, *ChartBox, *PaintName,
        *BarName;
};

void TMainForm::BuildLayout()
{
    resize(696, 480);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    auto* panel2 = Panel(this, "Panel2");
    setCentralWidget(panel2);
    BuildDayWidthPanel(panel2);
    auto* splitter1 = Splitter(Qt::Vertical, panel2, "Splitter1");
    static_cast<QVBoxLayout*>(panel2->layout())->addWidget(splitter1, 1);
    BuildSide(splitter1,
              {Vorgangs, PaintBox1, ScrollBar1, &TMainForm::PaintBox1Paint, "Panel4", "Splitter2",
               "ScrollBox1", "Panel5", "Vorgangs", "Vorgang", "ScrollBox3", "PaintBox1", "ScrollBar1"});
    BuildSide(splitter1,
              {Arbeiter, PaintBox2, ScrollBar2, &TMainForm::PaintBox2Paint, "Panel3", "Splitter3",
               "ScrollBox2", "Panel6", "Arbeiter", "Ressource", "ScrollBox4", "PaintBox2", "ScrollBar2"});
    splitter1->setStretchFactor(0, 1);
    splitter1->setStretchFactor(1, 0);
    splitter1->setSizes({200, 168});

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setFixedHeight(19);
    Document.Vorgangs = Vorgangs;
    Document.Arbeiter = Arbeiter;
    TrackExpansion(Vorgangs);
    TrackExpansion(Arbeiter);
}

void TMainForm::BuildDayWidthPanel(QWidget* panel2)
{
    auto* panel1 = Panel(panel2, "Panel1");
    panel1->setFixedHeight(33);
    auto* label1 = new QLabel(QStringLiteral("Breite eines Tages:"), panel1);
    label1->setObjectName(QStringLiteral("Label1"));
    BreitEd = new QSpinBox(panel1);
    BreitEd->setObjectName(QStringLiteral("BreitEd"));
    BreitEd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    BreitEd->setRange(2, 1000);
    BreitEd->setSingleStep(5);
    BreitEd->setValue(35);
    BreitEd->setGeometry(112, 8, 65, BreitEd->sizeHint().height());
    label1->setGeometry(8, 8, 104, BreitEd->height());
    label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Column(panel2)->addWidget(panel1);
}

void TMainForm::BuildSide(QSplitter* splitter1, const TSide& side)
{
    auto* panel = Panel(splitter1, side.Panel);
    auto* splitter = Splitter(Qt::Horizontal, panel, side.Splitter);
    Column(panel)->addWidget(splitter);

    auto* outlineBox = Panel(splitter, side.OutlineBox);
    auto* outlineColumn = Column(outlineBox);
    auto* spacer = Panel(outlineBox, side.Spacer);
    spacer->setFixedHeight(33);
    outlineColumn->addWidget(spacer);
    side.Outline = Outline(outlineBox, side.OutlineName, side.Heading);
    outlineColumn->addWidget(side.Outline, 1);

    auto* chartBox = Panel(splitter, side.ChartBox);
    auto* chartColumn = Column(chartBox);
    side.PaintBox = new TPaintBox(chartBox, [this, paint = side.Paint](QPainter& p) { (this->*paint)(p); });
    side.PaintBox->setObjectName(QLatin1String(side.PaintName));
    chartColumn->addWidget(side.PaintBox, 1);
    side.ScrollBar = DayScroller(chartBox, side.BarName);
    chartColumn->addWidget(side.ScrollBar);

    splitter->addWidget(outlineBox);
    splitter->addWidget(chartBox);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({313, 380});
    splitter1->addWidget(panel);
}

void TMainForm::BuildMenus()
{
    menuBar()->setObjectName(QStringLiteral("MenuBar20001"));
    QMenu* menu = nullptr;
    for (const TMenuLine& line : MenuLines) {
        QObject* made = nullptr;
        if (line.Kind == TMenuLine::Menu) {
            made = menu = menuBar()->addMenu(QString::fromUtf8(line.Caption));
        } else if (line.Kind == TMenuLine::Separator) {
            made = menu->addSeparator();
        } else {
            QAction* item = menu->addAction(QString::fromUtf8(line.Caption));
            Connect(item, &QAction::triggered, line.Handler);
            made = item;
        }
        if (*line.Name)
            made->setObjectName(QLatin1String(line.Name));
    }
    // The shortcuts every desktop program has; the outline commands have none.
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"DateiNeu1", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Dateiffnen1", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"DateiSpeichern1", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"DateiSpeichernunter1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"VorgangeundRessourcenDrucken", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"DateiBeenden1", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& [name, keys] : shortcuts)
        menuBar()->findChild<QAction*>(QLatin1String(name))->setShortcut(keys);
    UndoItem = menuBar()->findChild<QAction*>(QStringLiteral("BearbeitenRueckgaengig1"));
    RedoItem = menuBar()->findChild<QAction*>(QStringLiteral("BearbeitenWiederholen1"));
    UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoItem->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    UpdateEditMenu();
}

// Every event reaches its handler through the general error handler.
template <typename TSender, typename TSignal>
void TMainForm::Connect(TSender* sender, TSignal signal, THandler handler)
{
    connect(sender, signal, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
}

void TMainForm::ConnectOutlineEvents()
{
    Connect(Vorgangs, &TOutlineTree::itemSelectionChanged, &TMainForm::VorgangsChange);
    Connect(Vorgangs, &TOutlineTree::itemExpanded, &TMainForm::VorgangsExpanded);
    Connect(Vorgangs, &TOutlineTree::itemCollapsed, &TMainForm::VorgangsCollapsed);
    Connect(Vorgangs, &TOutlineTree::itemDoubleClicked, &TMainForm::VorgangsDblClick);
    Connect(Arbeiter, &TOutlineTree::itemSelectionChanged, &TMainForm::ArbeiterChange);
    Connect(Arbeiter, &TOutlineTree::itemDoubleClicked, &TMainForm::ArbeiterDblClick);
    Connect(Arbeiter, &TOutlineTree::itemExpanded, &TMainForm::ArbeiterExpanded);
    Connect(Arbeiter, &TOutlineTree::itemCollapsed, &TMainForm::ArbeiterCollapsed);
    Vorgangs->setItemDelegate(new TOutlineDelegate(Vorgangs, [this](TOutlineNode* node, const QString& text) {
        Guarded([&] { VorgangsEdited(node, text); });
    }));
    Arbeiter->setItemDelegate(new TOutlineDelegate(Arbeiter, [this](TOutlineNode* node, const QString& text) {
        Guarded([&] { ArbeiterEdited(node, text); });
    }));
}

void TMainForm::ConnectChartEvents()
{
    // The task chart remembers how many rows follow the top row until the outline changes;
    // it must forget before the outline's handlers repaint, so these are connected first.
    const QAbstractItemModel* rows = Vorgangs->model();
    auto forget = [this] { RowCount1.Forget(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, forget);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(rows, &QAbstractItemModel::rowsMoved, this, forget);
    connect(rows, &QAbstractItemModel::layoutChanged, this, forget);
    connect(rows, &QAbstractItemModel::modelReset, this, forget);
    connect(Vorgangs, &TOutlineTree::itemExpanded, this, forget);
    connect(Vorgangs, &TOutlineTree::itemCollapsed, this, forget);
    // The charts follow the outlines when these are scrolled.
    connect(Vorgangs->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox1,
            [this] { PaintBox1->repaint(); });
    connect(Arbeiter->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox2,
            [this] { PaintBox2->repaint(); });
    Connect(ScrollBar1, &QScrollBar::valueChanged, &TMainForm::ScrollBar1Change);
    Connect(ScrollBar2, &QScrollBar::valueChanged, &TMainForm::ScrollBar2Change);
    Connect(BreitEd, &QSpinBox::textChanged, &TMainForm::BreitEdChange);
}
