#pragma once

#include "Records.h"
#include "Texts.h"

#include <QDialog>
#include <QString>
#include <initializer_list>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

// The frame both record editors share: a fixed 656 x 392 dialog centred on the
// screen, the page control and "OK" / "Cancel" below it. The page control keeps
// its page between uses, as the dialogs are made once and reused.
class TEditorDialog : public QDialog
{
    Q_OBJECT

public:
    TEditorDialog(QWidget* parent, const char* name, const QString& caption);

    QTabWidget* Pages() const { return PageControl1; }

protected:
    QWidget* AddPage(const QString& caption, const char* name);
    static QLabel* Caption(QWidget* page, const QString& text, int x, int y);
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* PageControl1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// Names field for screen readers: name, or else the caption's text without its
// colon. The caption becomes the field's label (its buddy).
void LabelField(QLabel* caption, QWidget* field, const QString& name = {});
// Tab moves through fields in the order given.
void ChainFields(std::initializer_list<QWidget*> fields);

// The custom-field grid: 3 columns by 11 rows, row 0 and column 0 fixed. Its
// headers stay hidden; they hold the fixed texts for screen readers.
QTableWidget* MakeFieldGrid(QWidget* page);

// Fills the grid with the fixed texts, the labels and the record's values.
template <typename Rec> void LoadFieldGrid(QTableWidget* grid, const TFieldLabels& labels, Rec& rec);
// Stores texts, numbers (a cell that does not parse leaves its number) and labels.
template <typename Rec> void StoreFieldGrid(const QTableWidget* grid, TFieldLabels& labels, Rec& rec);

// Notes keep CR LF between lines; the memo shows them as lines.
QPlainTextEdit* MakeMemo(QWidget* page, int x, int y, int width, int height);
void LoadMemo(QPlainTextEdit* memo, const char16_t* notes);
void StoreMemo(const QPlainTextEdit* memo, char16_t*& notes);

// A number in the locale's general format (up to 15 significant digits).
QString GeneralNumber(double value);
