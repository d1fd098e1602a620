#include "MainUnit.h"

#include "AboutBox.h"
#include "ArbeiterFUnit.h"
#include "ChartBitmap.h"
#include "Clock.h"
#include "DruckeinstellungenFUnit.h"
#include "Errors.h"
#include "OutlineCommands.h"
#include "OutlineView.h"
#include "PaintBox.h"
#include "PdfExportFUnit.h"
#include "PrintSettings.h"
#include "Printing.h"
#include "Recovery.h"
#include "Schedule.h"
#include "TabellenFUnit.h"
#include "Undo.h"
#include "VorgangFUnit.h"

#include <QCloseEvent>
#include <QDate>
#include <QFileDialog>
#include <QIcon>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTime>

namespace {

const QString TitleBase = QStringLiteral("Kelmorin Zeitkant 1.0");

} // namespace

QString MainTitle(const QString& fileName, bool changed)
{
    const QString name = fileName.isEmpty() ? QStringLiteral("unbenannt.zkt") : fileName;
    return TitleBase + QStringLiteral(" - [") + name + (changed ? QStringLiteral("*]") : QStringLiteral("]"));
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    Recovery = std::make_unique<TRecovery>(Document);
    setWindowIcon(QIcon(QStringLiteral(":/icons/de.zeitkant.Zeitkant-256.png")));
    setAcceptDrops(true);
    BuildLayout();
    BuildMenus();
    ConnectChartEvents();
    ConnectOutlineEvents();
    FormCreate();
    ArbeiterForm = std::make_unique<TArbeiterForm>(this);
    VorgangForm = std::make_unique<TVorgangForm>(this);
    AboutBox = std::make_unique<TAboutBox>(this, QDate::currentDate().year());
    CurrentPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Druckeinstellungen = std::make_unique<TDruckeinstellungenForm>(this, PrintSettingsPath());
}

TMainForm::~TMainForm()
{
    Destroying = true;
    FormDestroy();
    // The outlines outlive this part of the window while QWidget destroys its
    // children; nothing they signal then may reach the handlers here.
    for (TOutlineTree* outline : {Vorgangs, Arbeiter}) {
        outline->model()->disconnect(this);
        outline->disconnect(this);
        outline->verticalScrollBar()->disconnect(PaintBox1);
        outline->verticalScrollBar()->disconnect(PaintBox2);
    }
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
    if (OfferLeftCopies(*Recovery, *Modal, this)) {
        Resources2.Forget();
        ShowHistoryState();
    } else if (Arguments.size() > 1)
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
    // A change made outside any command would make the steps before it wrong.
    if (!IsRecording(Document))
        ForgetHistory(Document);
    Document.Changed = true;
    setWindowTitle(MainTitle(Document.FileName, true));
    RenderEveryThing(Document);
    RepaintCharts();
    Recovery->DocumentChanged();
    RefreshTables();
}

void TMainForm::SetUnChanged()
{
    Document.Changed = false;
    Recovery->DocumentUnchanged();
    MarkSaved(Document);
    setWindowTitle(MainTitle(Document.FileName, false));
    RepaintCharts();
    UpdateEditMenu();
    RefreshTables();
}

void TMainForm::DateiBeenden1Click()
{
    close();
}

void TMainForm::HilfeberdasProgramm2Click()
{
    Modal->Exec(*AboutBox);
}

void TMainForm::EinfgenVorgangeinfgen1Click()
{
    Perform("Vorgang einfügen", [this] { return InsertCommand(Document, TOutlineKind::Vorgang, false); });
}

void TMainForm::EinfgenVorgangalsUntergeordnetesObjekteinfgen1Click()
{
    Perform("Vorgang als Untergeordnetes Objekt einfügen",
            [this] { return InsertCommand(Document, TOutlineKind::Vorgang, true); });
}

void TMainForm::VorgngeVorganglschen1Click()
{
    Perform("Vorgang löschen", [this] { return DeleteCommand(Document, TOutlineKind::Vorgang); });
}

void TMainForm::VorgangEinrueckClick()
{
    Perform("Vorgang einrücken", [this] { return IndentCommand(Document, TOutlineKind::Vorgang); });
}

void TMainForm::VorgngeVorgangeineEbenehher1Click()
{
    Perform("Vorgang eine Ebene höher", [this] { return OutdentCommand(Document, TOutlineKind::Vorgang); });
}

void TMainForm::VorgngeNachobenverschieben1Click()
{
    Perform("Nach oben verschieben", [this] { return MoveUpCommand(Document, TOutlineKind::Vorgang); });
}

void TMainForm::VorgngeNachuntenverschieben1Click()
{
    Perform("Nach unten verschieben", [this] { return MoveDownCommand(Document, TOutlineKind::Vorgang); });
}

void TMainForm::RessourcenArbeiterRessourceeinfgen1Click()
{
    Perform("Ressource einfügen", [this] { return InsertCommand(Document, TOutlineKind::Arbeiter, false); });
}

void TMainForm::InsertResClick()
{
    Perform("Ressource als Untergeordnetes Objekt einfügen",
            [this] { return InsertCommand(Document, TOutlineKind::Arbeiter, true); });
}

void TMainForm::DelResClick()
{
    Perform("Ressource löschen", [this] { return DeleteCommand(Document, TOutlineKind::Arbeiter); });
}

void TMainForm::ResEinruckClick()
{
    Perform("Ressource einrücken", [this] { return IndentCommand(Document, TOutlineKind::Arbeiter); });
}

void TMainForm::ResEbeneHochClick()
{
    Perform("Ressource eine Ebene höher",
            [this] { return OutdentCommand(Document, TOutlineKind::Arbeiter); });
}

void TMainForm::MovehochClick()
{
    Perform("Nach oben verschieben", [this] { return MoveUpCommand(Document, TOutlineKind::Arbeiter); });
}

void TMainForm::MoveRunterClick()
{
    Perform("Nach unten verschieben", [this] { return MoveDownCommand(Document, TOutlineKind::Arbeiter); });
}

void TMainForm::VorgangsEdited(TOutlineNode* node, const QString& text)
{
    if (!Destroying)
        Perform("Vorgang umbenennen",
                [&] { return RenameCommand(Document, TOutlineKind::Vorgang, node, text); });
}

void TMainForm::ArbeiterEdited(TOutlineNode* node, const QString& text)
{
    if (!Destroying)
        Perform("Ressource umbenennen",
                [&] { return RenameCommand(Document, TOutlineKind::Arbeiter, node, text); });
}

// The editors open for a selected leaf only. The chart is repainted in every case:
// by SetChanged after OK, else here.
template <typename TForm>
void TMainForm::EditSelectedLeaf(TForm& form, TOutlineKind kind, QWidget* chart, const char* step)
{
    TOutlineNode* node = SelectedNode(OutlineOf(Document, kind));
    if (node && node->childCount() == 0) {
        form.Load(Document, node);
        if (Modal->Exec(form) == QDialog::Accepted) {
            Perform(step, [&] {
                NoteEditing(Document, kind, node, true);
                const bool task = kind == TOutlineKind::Vorgang;
                const std::vector<int32_t> before =
                    task ? ResourceIdsOf(VorgangOf(Document, node)) : std::vector<int32_t>();
                form.Store(Document);
                if (task)
                    RetakeTask(Resources2, Document, RecordIndex(node), before);
                return true;
            });
            return;
        }
    }
    chart->repaint();
}

void TMainForm::VorgangsDblClick()
{
    EditSelectedLeaf(*VorgangForm, TOutlineKind::Vorgang, PaintBox1, "Vorgang bearbeiten");
}

void TMainForm::VorgngeVorgangbearbeiten1Click()
{
    VorgangsDblClick();
}

void TMainForm::ArbeiterDblClick()
{
    EditSelectedLeaf(*ArbeiterForm, TOutlineKind::Arbeiter, PaintBox2, "Ressource bearbeiten");
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

void TMainForm::PaintBox1Paint(QPainter& painter)
{
    // The chart would walk every row below its surface to count them, which the
    // outline has in its list of rows: at a million tasks, half of the first paint
    // after opening.
    if (TOutlineNode* top = TopRow(Vorgangs); top && top != RowCount1.Top) {
        if (const int rows = static_cast<const TOutlineView*>(Vorgangs)->RowsFrom(top); rows >= 0)
            RowCount1 = {top, rows};
    }
    PaintVorgangsChart(Document, ChartBitmap1, PaintBox1->size(), CurrentDayWidth, painter, &RowCount1);
}

void TMainForm::PaintBox2Paint(QPainter& painter)
{
    PaintRessourcenChart(Document, ChartBitmap2, PaintBox2->size(), CurrentDayWidth, painter, &Resources2);
}

void TMainForm::DateiDruckereinrichten1Click()
{
    const auto dialog = MakePrinterSetupDialog(*CurrentPrinter, this);
    if (Modal->Exec(*dialog) == QDialog::Accepted)
        AcceptPrinterSetup(*CurrentPrinter);
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

TDocumentCommands TMainForm::Commands()
{
    return {Document,
            *Modal,
            this,
            *OpenDialog1,
            *SaveDialog1,
            [this] { SetUnChanged(); },
            [this] { RepaintCharts(); },
            [this] { PrepareRecalculation(Document); }};
}

void TMainForm::DateiNeu1Click()
{
    NewAfterAsking(Commands());
}

void TMainForm::Dateiffnen1Click()
{
    OpenAfterAsking(Commands());
}

void TMainForm::DateiSpeichern1Click()
{
    SaveDocument(Commands());
}

void TMainForm::DateiSpeichernunter1Click()
{
    SaveDocumentAs(Commands());
}

void TMainForm::FormCloseQuery(bool& canClose)
{
    canClose = MayClose(Commands());
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    Guarded([&] { FormCloseQuery(canClose); });
    event->setAccepted(canClose);
}

bool TMainForm::SaveFile()
{
    return SaveDocument(Commands());
}

void TMainForm::OpenFileFromDialog()
{
    OpenDocumentFromDialog(Commands());
}

void TMainForm::NewAll()
{
    NewDocument(Commands());
}

bool TMainForm::OpenFile(const QString& name)
{
    return OpenDocument(Commands(), name);
}

bool TMainForm::SaveTheFile()
{
    return WriteDocument(Commands());
}
