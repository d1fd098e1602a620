#include "TabellenFUnit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeView>
#include <QVBoxLayout>

TTabellenForm::TTabellenForm(QWidget* parent, TTable table, const TDocument& doc,
                             std::function<QString()> chooseFile, std::function<void(uint32_t)> open)
    : QWidget(parent, Qt::Window), Kind(table), Doc(doc), ChooseFile(std::move(chooseFile)),
      Open(std::move(open))
{
    const bool tasks = table == TTable::Vorgaenge;
    setObjectName(tasks ? QStringLiteral("Vorgangstabelle") : QStringLiteral("Ressourcentabelle"));
    setWindowTitle(tasks ? QStringLiteral("Vorgangstabelle") : QStringLiteral("Ressourcentabelle"));
    resize(tasks ? 960 : 640, 480);
    auto* column = new QVBoxLayout(this);
    Tabelle = new QTreeView(this);
    Tabelle->setObjectName(QStringLiteral("Tabelle"));
    Tabelle->setUniformRowHeights(true);
    Tabelle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tabelle->setAlternatingRowColors(true);
    column->addWidget(Tabelle, 1);
    auto* buttons = new QHBoxLayout;
    auto* csv = new QPushButton(QStringLiteral("Als CSV speichern..."), this);
    csv->setObjectName(QStringLiteral("CsvButton"));
    buttons->addStretch(1);
    buttons->addWidget(csv);
    column->addLayout(buttons);
    connect(csv, &QPushButton::clicked, this, [this] {
        const QString name = ChooseFile();
        QString error;
        if (!name.isEmpty() && !SaveCsv(name, error))
            QMessageBox::critical(
                this, QStringLiteral("Zeitkant"),
                QStringLiteral("Die Datei \"%1\" konnte nicht gespeichert werden: %2").arg(name, error));
    });
    connect(Tabelle, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        const qlonglong record = index.data(TableRole::Record).toLongLong();
        if (record >= 0)
            Open(uint32_t(record));
    });
}

void TTabellenForm::Build()
{
    // The models the view shows may be in use by the event that led here (a
    // double click opening the editor): they go once it has been handled.
    TSummeLastProxy* oldSorted = Sorted; // owns its model
    Model = new TTableModel(Kind, Doc);
    Sorted = new TSummeLastProxy(this);
    Model->setParent(Sorted);
    Sorted->setSourceModel(Model);
    const int sortColumn = Tabelle->header()->sortIndicatorSection();
    const Qt::SortOrder order = Tabelle->header()->sortIndicatorOrder();
    Tabelle->setSortingEnabled(false);
    Tabelle->setModel(Sorted);
    Tabelle->header()->setSortIndicator(oldSorted ? sortColumn : -1, order);
    Tabelle->setSortingEnabled(true);
    Tabelle->expandAll();
    if (!oldSorted)
        for (int c = 0; c < Model->columnCount(); ++c)
            Tabelle->resizeColumnToContents(c);
    if (oldSorted)
        oldSorted->deleteLater();
}

void TTabellenForm::Refresh()
{
    if (isVisible())
        Build();
}

void TTabellenForm::ShowTable()
{
    Build();
    show();
    raise();
    activateWindow();
}

bool TTabellenForm::SaveCsv(const QString& name, QString& error) const
{
    QSaveFile file(name);
    const QByteArray bytes = TableCsv(*Sorted);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
