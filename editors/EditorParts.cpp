#include "EditorParts.h"

#include "SpinEdits.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>

TEditorDialog::TEditorDialog(QWidget* parent, const char* name, const QString& caption) : QDialog(parent)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setFixedSize(656, 392);
    // The editors take the main window's font, as its other windows do.
    setAttribute(Qt::WA_WindowPropagation);
    if (parent)
        setFont(parent->font());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, 641, 321);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(239, 352, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    // QDialog already cancels on Esc and on the window's close button.
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(319, 352, 97, 25);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TEditorDialog::AddPage(const QString& caption, const char* name)
{
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QLatin1String(name));
    PageControl1->addTab(page, caption);
    return page;
}

QLabel* TEditorDialog::Caption(QWidget* page, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, page);
    label->move(x, y + 3);
    label->adjustSize();
    return label;
}

void TEditorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void LabelField(QLabel* caption, QWidget* field, const QString& name)
{
    caption->setBuddy(field);
    if (!name.isEmpty()) {
        field->setAccessibleName(name);
        return;
    }
    QString text = caption->text();
    if (text.endsWith(u':'))
        text.chop(1);
    field->setAccessibleName(text.trimmed());
}

void ChainFields(std::initializer_list<QWidget*> fields)
{
    for (auto it = fields.begin(); it + 1 != fields.end(); ++it)
        QWidget::setTabOrder(*it, *(it + 1));
}

namespace {

// The fixed cells' texts: the column titles in row 0, the field names in column 0.
QString FixedText(int column, int row)
{
    static const char* const titles[] = {"Variable", "Bezeichnung", "Wert"};
    if (row == 0)
        return QLatin1String(titles[column]);
    const QString name = row <= CustomFieldCount ? QStringLiteral("Text %1") : QStringLiteral("Zahl %1");
    return name.arg((row - 1) % CustomFieldCount + 1);
}

} // namespace

QTableWidget* MakeFieldGrid(QWidget* page)
{
    auto* grid = new QTableWidget(11, 3, page);
    grid->setObjectName(QStringLiteral("TntStringGrid1"));
    grid->setGeometry(8, 16, 609, 265);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(23);
    for (int c = 0; c < 3; ++c)
        grid->setColumnWidth(c, 190);
    grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 3; ++c) {
            auto* cell = new QTableWidgetItem;
            if (r == 0 || c == 0) {
                cell->setFlags(Qt::ItemIsEnabled);
                cell->setBackground(grid->palette().button());
            }
            grid->setItem(r, c, cell);
        }
    grid->setAccessibleName(QStringLiteral("Benutzerdefinierte Felder"));
    for (int c = 0; c < 3; ++c)
        grid->setHorizontalHeaderItem(c, new QTableWidgetItem(FixedText(c, 0)));
    for (int r = 0; r < 11; ++r)
        grid->setVerticalHeaderItem(r, new QTableWidgetItem(FixedText(0, r)));
    return grid;
}

namespace {

QString GridText(const QTableWidget* grid, int column, int row)
{
    return grid->item(row, column)->text();
}

void SetGridText(QTableWidget* grid, int column, int row, const QString& text)
{
    grid->item(row, column)->setText(text);
}

} // namespace

QString GeneralNumber(double value)
{
    return EditorLocale().toString(value, 'g', 15);
}

template <typename Rec> void LoadFieldGrid(QTableWidget* grid, const TFieldLabels& labels, Rec& rec)
{
    for (int c = 0; c < 3; ++c)
        SetGridText(grid, c, 0, FixedText(c, 0));
    for (int r = 1; r <= 10; ++r)
        SetGridText(grid, 0, r, FixedText(0, r));
    for (int r = 1; r <= 10; ++r)
        SetGridText(grid, 1, r, TextOf(labels[std::size_t(r - 1)]));
    for (int i = 0; i < CustomFieldCount; ++i) {
        SetGridText(grid, 2, 1 + i, TextOf(CustomText(rec, i)));
        SetGridText(grid, 2, 6 + i, GeneralNumber(CustomNumber(rec, i)));
    }
}

template <typename Rec> void StoreFieldGrid(const QTableWidget* grid, TFieldLabels& labels, Rec& rec)
{
    for (int i = 0; i < CustomFieldCount; ++i)
        ReplaceText(CustomText(rec, i), GridText(grid, 2, 1 + i));
    const QLocale locale = EditorLocale();
    for (int i = 0; i < CustomFieldCount; ++i) {
        bool ok = false;
        const double value = locale.toDouble(GridText(grid, 2, 6 + i).trimmed(), &ok);
        if (ok)
            CustomNumber(rec, i) = value;
    }
    for (int r = 1; r <= 10; ++r)
        ReplaceText(labels[std::size_t(r - 1)], GridText(grid, 1, r));
}

template void LoadFieldGrid(QTableWidget*, const TFieldLabels&, TVorgangRec&);
template void LoadFieldGrid(QTableWidget*, const TFieldLabels&, TArbeiterRec&);
template void StoreFieldGrid(const QTableWidget*, TFieldLabels&, TVorgangRec&);
template void StoreFieldGrid(const QTableWidget*, TFieldLabels&, TArbeiterRec&);

QPlainTextEdit* MakeMemo(QWidget* page, int x, int y, int width, int height)
{
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(QStringLiteral("TntMemo1"));
    memo->setGeometry(x, y, width, height);
    memo->setAccessibleName(QStringLiteral("Notizen"));
    return memo;
}

void LoadMemo(QPlainTextEdit* memo, const char16_t* notes)
{
    QString text = TextOf(notes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo->setPlainText(text);
}

void StoreMemo(const QPlainTextEdit* memo, char16_t*& notes)
{
    QString text = memo->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    ReplaceText(notes, text);
}
