#pragma once

#include "Charts.h"
#include "DialogModal.h"
#include "Document.h"
#include "DocumentCommands.h"

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QFileDialog;
class QPrinter;
class QScrollBar;
class QSpinBox;
class QSplitter;
class TOutlineTree;
class TOutlineNode;
struct TUndoStep;
class TAboutBox;
class TArbeiterForm;
class TVorgangForm;
class TDruckeinstellungenForm;
class TPdfExportForm;
class TTabellenForm;
class TRecovery;
class TPaintBox;

// "Kelmorin Zeitkant 1.0 - [<file>]" with a "*" before the bracket while changed.
QString MainTitle(const QString& fileName, bool changed);

// The main window: owns the document for the whole run and keeps the handlers that
// menus and outline events reach. Each handler hands the work to a subsystem.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    TDocument& Doc() { return Document; }
    bool FirstShowHandled() const { return FirstShowDone; }

    void SetChanged();
    void SetUnChanged();

    void FormCreate();
    void FormShow();
    void FormDestroy();

    void DateiBeenden1Click();
    // "Bearbeiten": "Rückgängig" and "Wiederholen".
    void BearbeitenRueckgaengig1Click();
    void BearbeitenWiederholen1Click();
    void HilfeberdasProgramm2Click();

    void EinfgenVorgangeinfgen1Click();
    void EinfgenVorgangalsUntergeordnetesObjekteinfgen1Click();
    void VorgngeVorganglschen1Click();
    void VorgangEinrueckClick();
    void VorgngeVorgangeineEbenehher1Click();
    void VorgngeNachobenverschieben1Click();
    void VorgngeNachuntenverschieben1Click();
    void RessourcenArbeiterRessourceeinfgen1Click();
    void InsertResClick();
    void DelResClick();
    void ResEinruckClick();
    void ResEbeneHochClick();
    void MovehochClick();
    void MoveRunterClick();
    void VorgangsEdited(TOutlineNode* node, const QString& text);
    void ArbeiterEdited(TOutlineNode* node, const QString& text);

    void VorgangsDblClick();
    void VorgngeVorgangbearbeiten1Click();
    void ArbeiterDblClick();
    void EditResClick();

    void VorgangsChange();
    void VorgangsExpanded();
    void VorgangsCollapsed();
    void ArbeiterChange();
    void ArbeiterExpanded();
    void ArbeiterCollapsed();

    void PaintBox1Paint(QPainter& painter);
    void PaintBox2Paint(QPainter& painter);
    void ScrollBar1Change();
    void ScrollBar2Change();
    void BreitEdChange();
    void AnsichtVielanzeigen1Click();
    void MenuItem2Click();
    void MenuItem3Click();
    int DayWidth() const { return CurrentDayWidth; }

    // Where modal dialogs and message boxes go; nullptr restores the real dialogs.
    void SetModal(TModal* modal) { Modal = modal ? modal : &DialogModal; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    using THandler = void (TMainForm::*)();

    struct TSide;
    void BuildLayout();
    void BuildDayWidthPanel(QWidget* panel2);
    void BuildSide(QSplitter* splitter1, const TSide& side);
    void BuildMenus();
    void ConnectOutlineEvents();
    void ConnectChartEvents();
    // Runs an edit as one undo step; command tells whether it changed the document.
    void Perform(const char* step, const std::function<bool()>& command);
    // Undo or redo through travel, which puts back step; then, when the step changed
    // the task outline, the dates are checked (see PrepareRecalculation), and the
    // history's state is shown.
    void TravelHistory(bool (*travel)(TDocument&), const TUndoStep* step);
    // After an undo or redo: the changed mark as the history has it, and a repaint.
    void ShowHistoryState();
    void UpdateEditMenu();
    void ScrollDays(QScrollBar* bar);
    void RepaintCharts();
    template <typename TSender, typename TSignal>
    void Connect(TSender* sender, TSignal signal, THandler handler);

    TDocument Document;
    std::unique_ptr<TRecovery> Recovery; // this program's recovery copy of the document
    bool FirstShowDone = false;
    bool Destroying = false; // an open rename then commits into released records

    int CurrentDayWidth = 35;
    QImage ChartBitmap1;
    QImage ChartBitmap2;
    TRowCountCache RowCount1;
    TResourceIndex Resources2;

    TOutlineTree* Vorgangs = nullptr;
    TOutlineTree* Arbeiter = nullptr;
    QSpinBox* BreitEd = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    TPaintBox* PaintBox2 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QScrollBar* ScrollBar2 = nullptr;
    QAction* UndoItem = nullptr;
    QAction* RedoItem = nullptr;

    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TArbeiterForm> ArbeiterForm;
    std::unique_ptr<TVorgangForm> VorgangForm;
    template <typename TForm>
    void EditSelectedLeaf(TForm& form, TOutlineKind kind, QWidget* chart, const char* step);
    TDialogModal DialogModal;
    TModal* Modal = &DialogModal;

    // Printing: the one printer all jobs go to, chosen in "Drucker einrichten"
    // (the system's default until then), and the print settings dialog.
public:
    void DateiDruckereinrichten1Click();
    void DateiDruckeinstellungen1Click();
    void DateiVorgngedrucken2Click();
    void DateiRessourcendrucken1Click();
    void VorgangeundRessourcenDruckenClick();
    // "Extras": the preview of that page, and the whole project as a PDF file.
    void ExtrasDruckvorschau1Click();
    void ExtrasAlsPDFexportieren1Click();
    void ExtrasVorgangstabelle1Click();
    void ExtrasRessourcentabelle1Click();
    QPrinter& Printer() { return *CurrentPrinter; }
    TDruckeinstellungenForm& DruckeinstellungenForm() { return *Druckeinstellungen; }

private:
    std::unique_ptr<QPrinter> CurrentPrinter;
    std::unique_ptr<TDruckeinstellungenForm> Druckeinstellungen;
    std::unique_ptr<TPdfExportForm> PdfExportForm;
    // The task and the resource table, made at their first showing; both follow
    // every change of the document.
    std::unique_ptr<TTabellenForm> Vorgangstabelle;
    std::unique_ptr<TTabellenForm> Ressourcentabelle;
    QFileDialog* CsvDialog1 = nullptr;
    void RefreshTables();
    void ShowTable(std::unique_ptr<TTabellenForm>& form, bool tasks);
    void OpenTaskFromTable(uint32_t storeIndex);
    QFileDialog* PdfDialog1 = nullptr;

    // The document commands of the "Datei" menu, closing and the command-line open.
public:
    void DateiNeu1Click();
    void Dateiffnen1Click();
    void DateiSpeichern1Click();
    void DateiSpeichernunter1Click();
    // Asks whether to save unsaved changes; canClose tells whether the window may close.
    void FormCloseQuery(bool& canClose);
    // True when the document was written.
    bool SaveFile();
    void OpenFileFromDialog();
    // An empty, untitled project; the labels stay.
    void NewAll();
    // True when the file was read to its end. A file that cannot be opened leaves the
    // empty project carrying name; a damaged one keeps what was read, untitled, and throws.
    bool OpenFile(const QString& name);
    // Writes the document to FileName; a failure is shown to the user and gives false.
    bool SaveTheFile();
    // The program's arguments; the first one after the program is opened at the first showing.
    void SetCommandLine(const QStringList& arguments) { Arguments = arguments; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // One ".zkt" file dropped from a file manager opens as "Öffnen" would open it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the document commands work with during one call.
    TDocumentCommands Commands();

    QStringList Arguments;
    QFileDialog* SaveDialog1 = MakeProjectFileDialog(this, "SaveDialog1", true);
    QFileDialog* OpenDialog1 = MakeProjectFileDialog(this, "OpenDialog1", false);

    // "Extras": plans to and from other planners as Microsoft Project XML.
public:
    void ExtrasMsProjectExport1Click();
    void ExtrasMsProjectImport1Click();

private:
    QFileDialog* XmlExportDialog1 = nullptr;
    QFileDialog* XmlImportDialog1 = nullptr;
};
