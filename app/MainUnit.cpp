#include "MainUnit.h"

#include "AboutBox.h"
#include "ArbeiterFUnit.h"
#include "Canvas.h"
#include "Charts.h"
#include "Clock.h"
#include "DruckeinstellungenForm.h"
#include "ErrorHandler.h"
#include "OutlineCommands.h"
#include "OutlineDelegate.h"
#include "PaintBox.h"
#include "PrintSettings.h"
#include "Printing.h"
#include "Schedule.h"
#include "VorgangFUnit.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString TitleBase = QStringLiteral("Kelmorin Zeitkant 1.0");

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

QTreeWidget* Outline(QWidget* parent, const char* name, const char* heading)
{
    auto* outline = new QTreeWidget(parent);
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

QString MainTitle(const QString& fileName, bool changed)
{
    const QString name = fileName.isEmpty() ? QStringLiteral("unbenannt.zkt") : fileName;
    return TitleBase + QStringLiteral(" - [") + name + (changed ? QStringLiteral("*]") : QStringLiteral("]"));
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    BuildLayout();
    BuildMenus();
    ConnectOutlineEvents();
    FormCreate();
    AboutBox = std::make_unique<TAboutBox>(this, QDate::currentDate().year());
    ArbeiterForm = std::make_unique<TArbeiterForm>(this);
    VorgangForm = std::make_unique<TVorgangForm>(this);
    CurrentPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Druckeinstellungen = std::make_unique<TDruckeinstellungenForm>(this, PrintSettingsPath());
}

TMainForm::~TMainForm()
{
    FormDestroy();
    // The outlines outlive this part of the window while QWidget destroys its
    // children; nothing they signal then may reach the handlers here.
    for (QTreeWidget* outline : {Vorgangs, Arbeiter}) {
        outline->model()->disconnect(this);
        outline->disconnect(this);
        outline->verticalScrollBar()->disconnect(PaintBox1);
        outline->verticalScrollBar()->disconnect(PaintBox2);
    }
}

void TMainForm::BuildLayout()
{
    resize(696, 480);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    auto* panel2 = Panel(this, "Panel2");
    setCentralWidget(panel2);
    auto* column = Column(panel2);

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
    column->addWidget(panel1);

    auto* splitter1 = Splitter(Qt::Vertical, panel2, "Splitter1");
    column->addWidget(splitter1, 1);

    struct TSide
    {
        QTreeWidget*& Outline;
        TPaintBox*& PaintBox;
        QScrollBar*& ScrollBar;
        void (TMainForm::*Paint)(QPainter&);
        const char *Panel, *Splitter, *OutlineBox, *Spacer, *OutlineName, *Heading, *ChartBox, *PaintName,
            *BarName;
    };
    const TSide sides[] = {
        {Vorgangs, PaintBox1, ScrollBar1, &TMainForm::PaintBox1Paint, "Panel4", "Splitter2", "ScrollBox1",
         "Panel5", "Vorgangs", "Vorgang", "ScrollBox3", "PaintBox1", "ScrollBar1"},
        {Arbeiter, PaintBox2, ScrollBar2, &TMainForm::PaintBox2Paint, "Panel3", "Splitter3", "ScrollBox2",
         "Panel6", "Arbeiter", "Ressource", "ScrollBox4", "PaintBox2", "ScrollBar2"},
    };
    for (const TSide& side : sides) {
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
        side.PaintBox =
            new TPaintBox(chartBox, [this, paint = side.Paint](QPainter& p) { (this->*paint)(p); });
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

QAction* TMainForm::AddItem(QMenu* menu, const char* caption, const char* name, THandler handler)
{
    QAction* item = menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(QLatin1String(name));
    connect(item, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    return item;
}

void TMainForm::BuildMenus()
{
    menuBar()->setObjectName(QStringLiteral("MenuBar20001"));
    auto addMenu = [this](const char* caption, const char* name) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QLatin1String(name));
    };

    QMenu* datei = addMenu("Datei", "MenuItem1");
    AddItem(datei, "Neu", "DateiNeu1", &TMainForm::DateiNeu1Click);
    separator(datei, "N9");
    AddItem(datei, "Öffnen", "Dateiffnen1", &TMainForm::Dateiffnen1Click);
    AddItem(datei, "Speichern", "DateiSpeichern1", &TMainForm::DateiSpeichern1Click);
    AddItem(datei, "Speichern unter...", "DateiSpeichernunter1", &TMainForm::DateiSpeichernunter1Click);
    separator(datei, "N7");
    AddItem(datei, "Drucker einrichten", "DateiDruckereinrichten1", &TMainForm::DateiDruckereinrichten1Click);
    AddItem(datei, "Druckeinstellungen...", "DateiDruckeinstellungen1",
            &TMainForm::DateiDruckeinstellungen1Click);
    AddItem(datei, "Vorgänge drucken", "DateiVorgngedrucken2", &TMainForm::DateiVorgngedrucken2Click);
    AddItem(datei, "Ressourcen drucken", "DateiRessourcendrucken1", &TMainForm::DateiRessourcendrucken1Click);
    AddItem(datei, "Vorgänge und Ressourcen drucken", "VorgangeundRessourcenDrucken",
            &TMainForm::VorgangeundRessourcenDruckenClick);
    separator(datei, "N8");
    AddItem(datei, "Beenden", "DateiBeenden1", &TMainForm::DateiBeenden1Click);

    QMenu* ansicht = addMenu("Ansicht", "Ansicht1");
    AddItem(ansicht, "Viele Tage anzeigen", "AnsichtVielanzeigen1", &TMainForm::AnsichtVielanzeigen1Click);
    AddItem(ansicht, "Normal anzeigen", "MenuItem2", &TMainForm::MenuItem2Click);
    AddItem(ansicht, "Stunden anzeigen", "MenuItem3", &TMainForm::MenuItem3Click);

    QMenu* vorgaenge = addMenu("Vorgänge", "Vorgnge1");
    AddItem(vorgaenge, "Vorgang einfügen", "EinfgenVorgangeinfgen1", &TMainForm::EinfgenVorgangeinfgen1Click);
    AddItem(vorgaenge, "Vorgang als Untergeordnetes Objekt einfügen",
            "EinfgenVorgangalsUntergeordnetesObjekteinfgen1",
            &TMainForm::EinfgenVorgangalsUntergeordnetesObjekteinfgen1Click);
    AddItem(vorgaenge, "Vorgang löschen", "VorgngeVorganglschen1", &TMainForm::VorgngeVorganglschen1Click);
    vorgaenge->addSeparator();
    AddItem(vorgaenge, "Vorgang einrücken", "VorgangEinrueck", &TMainForm::VorgangEinrueckClick);
    AddItem(vorgaenge, "Vorgang eine Ebene höher", "VorgngeVorgangeineEbenehher1",
            &TMainForm::VorgngeVorgangeineEbenehher1Click);
    vorgaenge->addSeparator();
    AddItem(vorgaenge, "Nach oben verschieben", "VorgngeNachobenverschieben1",
            &TMainForm::VorgngeNachobenverschieben1Click);
    AddItem(vorgaenge, "Nach unten verschieben", "VorgngeNachuntenverschieben1",
            &TMainForm::VorgngeNachuntenverschieben1Click);
    vorgaenge->addSeparator();
    AddItem(vorgaenge, "Vorgang bearbeiten", "VorgngeVorgangbearbeiten1",
            &TMainForm::VorgngeVorgangbearbeiten1Click);

    QMenu* ressourcen = addMenu("Ressourcen/Arbeiter", "RessourcenArbeiter1");
    AddItem(ressourcen, "Ressource einfügen", "RessourcenArbeiterRessourceeinfgen1",
            &TMainForm::RessourcenArbeiterRessourceeinfgen1Click);
    AddItem(ressourcen, "Ressource als Untergeordnetes Objekt einfügen", "InsertRes",
            &TMainForm::InsertResClick);
    AddItem(ressourcen, "Ressource löschen", "DelRes", &TMainForm::DelResClick);
    ressourcen->addSeparator();
    AddItem(ressourcen, "Ressource einrücken", "ResEinruck", &TMainForm::ResEinruckClick);
    AddItem(ressourcen, "Ressource eine Ebene höher", "ResEbeneHoch", &TMainForm::ResEbeneHochClick);
    ressourcen->addSeparator();
    AddItem(ressourcen, "Nach oben verschieben", "Movehoch", &TMainForm::MovehochClick);
    AddItem(ressourcen, "Nach unten verschieben", "MoveRunter", &TMainForm::MoveRunterClick);
    ressourcen->addSeparator();
    AddItem(ressourcen, "Ressource bearbeiten", "EditRes", &TMainForm::EditResClick);

    QMenu* hilfe = addMenu("Hilfe", "Hilfe1");
    AddItem(hilfe, "Über das Programm...", "HilfeberdasProgramm2", &TMainForm::HilfeberdasProgramm2Click);
}

void TMainForm::ConnectOutlineEvents()
{
    // The task chart remembers how many rows follow the top row until the outline changes;
    // it must forget before the handlers below repaint.
    const QAbstractItemModel* rows = Vorgangs->model();
    auto forget = [this] { RowCount1.Forget(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, forget);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(rows, &QAbstractItemModel::rowsMoved, this, forget);
    connect(rows, &QAbstractItemModel::layoutChanged, this, forget);
    connect(rows, &QAbstractItemModel::modelReset, this, forget);
    connect(Vorgangs, &QTreeWidget::itemExpanded, this, forget);
    connect(Vorgangs, &QTreeWidget::itemCollapsed, this, forget);
    auto on = [this](auto signal, QTreeWidget* outline, THandler handler) {
        connect(outline, signal, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    on(&QTreeWidget::currentItemChanged, Vorgangs, &TMainForm::VorgangsChange);
    on(&QTreeWidget::itemExpanded, Vorgangs, &TMainForm::VorgangsExpanded);
    on(&QTreeWidget::itemCollapsed, Vorgangs, &TMainForm::VorgangsCollapsed);
    on(&QTreeWidget::itemDoubleClicked, Vorgangs, &TMainForm::VorgangsDblClick);
    on(&QTreeWidget::currentItemChanged, Arbeiter, &TMainForm::ArbeiterChange);
    on(&QTreeWidget::itemDoubleClicked, Arbeiter, &TMainForm::ArbeiterDblClick);
    on(&QTreeWidget::itemExpanded, Arbeiter, &TMainForm::ArbeiterExpanded);
    on(&QTreeWidget::itemCollapsed, Arbeiter, &TMainForm::ArbeiterCollapsed);
    // The charts follow the outlines when these are scrolled.
    connect(Vorgangs->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox1,
            [this] { PaintBox1->repaint(); });
    connect(Arbeiter->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox2,
            [this] { PaintBox2->repaint(); });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { Guarded([this] { ScrollBar1Change(); }); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, [this] { Guarded([this] { ScrollBar2Change(); }); });
    connect(BreitEd, &QSpinBox::textChanged, this, [this] { Guarded([this] { BreitEdChange(); }); });
    Vorgangs->setItemDelegate(
        new TOutlineDelegate(Vorgangs, [this](QTreeWidgetItem* node, const QString& text) {
            Guarded([&] { VorgangsEdited(node, text); });
        }));
    Arbeiter->setItemDelegate(
        new TOutlineDelegate(Arbeiter, [this](QTreeWidgetItem* node, const QString& text) {
            Guarded([&] { ArbeiterEdited(node, text); });
        }));
}

void TMainForm::FormCreate()
{
    CreateModel(Document, uint32_t(QTime::currentTime().msecsSinceStartOfDay()));
    Document.ViewStart = Now();
    ChartBitmap1 = QImage();
    ChartBitmap2 = QImage();
    SetUnChanged();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TMainForm::FormShow()
{
    if (FirstShowDone)
        return;
    FirstShowDone = true;
    Druckeinstellungen->Restore();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    if (Arguments.size() > 1)
        OpenFile(Arguments.at(1));
}

void TMainForm::FormDestroy()
{
    DestroyModel(Document);
    ChartBitmap1 = QImage();
    ChartBitmap2 = QImage();
}

void TMainForm::SetChanged()
{
    Document.Changed = true;
    setWindowTitle(MainTitle(Document.FileName, true));
    RenderEveryThing(Document);
    PaintBox1->repaint();
    PaintBox2->repaint();
}

void TMainForm::SetUnChanged()
{
    Document.Changed = false;
    setWindowTitle(MainTitle(Document.FileName, false));
    PaintBox1->repaint();
    PaintBox2->repaint();
}

void TMainForm::DateiBeenden1Click()
{
    close();
}

void TMainForm::HilfeberdasProgramm2Click()
{
    Modal->Exec(*AboutBox);
}

void TMainForm::MarkChangedIf(bool changed)
{
    if (changed)
        SetChanged();
}

void TMainForm::EinfgenVorgangeinfgen1Click()
{
    MarkChangedIf(InsertCommand(Document, TOutlineKind::Vorgang, false));
}

void TMainForm::EinfgenVorgangalsUntergeordnetesObjekteinfgen1Click()
{
    MarkChangedIf(InsertCommand(Document, TOutlineKind::Vorgang, true));
}

void TMainForm::VorgngeVorganglschen1Click()
{
    MarkChangedIf(DeleteCommand(Document, TOutlineKind::Vorgang));
}

void TMainForm::VorgangEinrueckClick()
{
    MarkChangedIf(IndentCommand(Document, TOutlineKind::Vorgang));
}

void TMainForm::VorgngeVorgangeineEbenehher1Click()
{
    MarkChangedIf(OutdentCommand(Document, TOutlineKind::Vorgang));
}

void TMainForm::VorgngeNachobenverschieben1Click()
{
    MarkChangedIf(MoveUpCommand(Document, TOutlineKind::Vorgang));
}

void TMainForm::VorgngeNachuntenverschieben1Click()
{
    MarkChangedIf(MoveDownCommand(Document, TOutlineKind::Vorgang));
}

void TMainForm::RessourcenArbeiterRessourceeinfgen1Click()
{
    MarkChangedIf(InsertCommand(Document, TOutlineKind::Arbeiter, false));
}

void TMainForm::InsertResClick()
{
    MarkChangedIf(InsertCommand(Document, TOutlineKind::Arbeiter, true));
}

void TMainForm::DelResClick()
{
    MarkChangedIf(DeleteCommand(Document, TOutlineKind::Arbeiter));
}

void TMainForm::ResEinruckClick()
{
    MarkChangedIf(IndentCommand(Document, TOutlineKind::Arbeiter));
}

void TMainForm::ResEbeneHochClick()
{
    MarkChangedIf(OutdentCommand(Document, TOutlineKind::Arbeiter));
}

void TMainForm::MovehochClick()
{
    MarkChangedIf(MoveUpCommand(Document, TOutlineKind::Arbeiter));
}

void TMainForm::MoveRunterClick()
{
    MarkChangedIf(MoveDownCommand(Document, TOutlineKind::Arbeiter));
}

void TMainForm::VorgangsEdited(QTreeWidgetItem* node, const QString& text)
{
    MarkChangedIf(RenameCommand(Document, TOutlineKind::Vorgang, node, text));
}

void TMainForm::ArbeiterEdited(QTreeWidgetItem* node, const QString& text)
{
    MarkChangedIf(RenameCommand(Document, TOutlineKind::Arbeiter, node, text));
}

// The editors open for a selected leaf only; the chart is repainted in every case.
template <typename TForm> void TMainForm::EditSelectedLeaf(TForm& form, QTreeWidget* outline, QWidget* chart)
{
    QTreeWidgetItem* node = SelectedNode(outline);
    if (node && node->childCount() == 0) {
        form.Load(Document, node);
        if (Modal->Exec(form) == QDialog::Accepted) {
            form.Store(Document);
            SetChanged();
        }
    }
    chart->repaint();
}

void TMainForm::VorgangsDblClick()
{
    EditSelectedLeaf(*VorgangForm, Vorgangs, PaintBox1);
}

void TMainForm::VorgngeVorgangbearbeiten1Click()
{
    VorgangsDblClick();
}

void TMainForm::ArbeiterDblClick()
{
    EditSelectedLeaf(*ArbeiterForm, Arbeiter, PaintBox2);
}

void TMainForm::EditResClick()
{
    ArbeiterDblClick();
}

void TMainForm::VorgangsChange()
{
    PaintBox1->repaint();
}

void TMainForm::VorgangsExpanded()
{
    PaintBox1->repaint();
}

void TMainForm::VorgangsCollapsed()
{
    PaintBox1->repaint();
}

void TMainForm::ArbeiterChange()
{
    PaintBox2->repaint();
}

void TMainForm::ArbeiterExpanded()
{
    PaintBox2->repaint();
}

void TMainForm::ArbeiterCollapsed()
{
    PaintBox2->repaint();
}

void TMainForm::RepaintCharts()
{
    PaintBox1->repaint();
    PaintBox2->repaint();
}

void TMainForm::ScrollDays(QScrollBar* bar)
{
    const int moved = bar->value() - 50;
    if (moved == 0)
        return;
    Document.ViewStart += moved;
    bar->setValue(50);
    RepaintCharts();
}

void TMainForm::ScrollBar1Change()
{
    ScrollDays(ScrollBar1);
}

void TMainForm::ScrollBar2Change()
{
    ScrollDays(ScrollBar2);
}

void TMainForm::BreitEdChange()
{
    CurrentDayWidth = DayWidthFromText(BreitEd->cleanText(), CurrentDayWidth);
    RepaintCharts();
}

void TMainForm::AnsichtVielanzeigen1Click()
{
    BreitEd->setValue(17);
    RepaintCharts();
}

void TMainForm::MenuItem2Click()
{
    BreitEd->setValue(35);
}

void TMainForm::MenuItem3Click()
{
    BreitEd->setValue(300);
}

namespace {

// Draws a chart into its bitmap, resized only when the paint box changed size,
// and copies the bitmap onto the paint box in one step.
template <typename Draw>
void PaintChart(QImage& bitmap, const QSize& size, int dayWidth, QPainter& target, Draw draw)
{
    if (bitmap.size() != size)
        bitmap = QImage(size, QImage::Format_RGB32);
    if (bitmap.isNull())
        return;
    {
        QPainter painter(&bitmap);
        TCanvas canvas(painter);
        TChartParams params;
        params.AreaWidth = bitmap.width();
        params.AreaHeight = bitmap.height();
        params.DayWidth = dayWidth;
        draw(canvas, params);
    }
    target.drawImage(0, 0, bitmap);
}

} // namespace

void TMainForm::PaintBox1Paint(QPainter& painter)
{
    PaintChart(ChartBitmap1, PaintBox1->size(), CurrentDayWidth, painter,
               [this](TCanvas& canvas, const TChartParams& params) {
                   DrawVorgangs(Document, canvas, params, &RowCount1);
               });
}

void TMainForm::PaintBox2Paint(QPainter& painter)
{
    PaintChart(
        ChartBitmap2, PaintBox2->size(), CurrentDayWidth, painter,
        [this](TCanvas& canvas, const TChartParams& params) { DrawRessourcen(Document, canvas, params); });
}

void TMainForm::DateiDruckereinrichten1Click()
{
    QPrintDialog dialog(CurrentPrinter.get(), this);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    dialog.setWindowTitle(QStringLiteral("Drucker einrichten"));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // Choosing a printer prints nothing yet.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    // Qt writes PDF files at 1 200 dpi, where a day of the default width is wide
    // enough for hour marks that no printer page shows; the file is to look like
    // the page of a usual 600-dpi printer.
    if (Modal->Exec(dialog) == QDialog::Accepted && CurrentPrinter->outputFormat() == QPrinter::PdfFormat &&
        CurrentPrinter->resolution() > 600)
        CurrentPrinter->setResolution(600);
}

void TMainForm::DateiDruckeinstellungen1Click()
{
    Modal->Exec(*Druckeinstellungen);
}

void TMainForm::DateiVorgngedrucken2Click()
{
    PrintCharts(Document, *CurrentPrinter, TPrintout::Vorgaenge, Druckeinstellungen->Width(),
                CurrentDayWidth);
}

void TMainForm::DateiRessourcendrucken1Click()
{
    PrintCharts(Document, *CurrentPrinter, TPrintout::Ressourcen, Druckeinstellungen->Width(),
                CurrentDayWidth);
}

void TMainForm::VorgangeundRessourcenDruckenClick()
{
    PrintCharts(Document, *CurrentPrinter, TPrintout::VorgaengeUndRessourcen, Druckeinstellungen->Width(),
                CurrentDayWidth);
}
