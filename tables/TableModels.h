#pragma once

#include "Figures.h"

#include <QAbstractItemModel>
#include <QLocale>
#include <QSortFilterProxyModel>

class TOutlineTree;

// The task and the resource table: read-only tree models in outline order with the
// outline's nesting and a last row "Summe". Rows keep only their record's store
// index; each cell is formatted when it is asked for.

enum class TTable
{
    Vorgaenge,
    Ressourcen,
};

namespace TableRole {
constexpr int Sort = Qt::UserRole;       // the value sorting compares
constexpr int Csv = Qt::UserRole + 1;    // the cell as the CSV file writes it
constexpr int Record = Qt::UserRole + 2; // the row's store index, -1 for "Summe"
} // namespace TableRole

// "dd.MM.yyyy HH:mm" of a day number; "—" when it names no day.
QString DayTimeText(TDateTime t);

class TTableModel : public QAbstractItemModel
{
public:
    TTableModel(TTable table, const TDocument& doc, const QLocale& locale = QLocale());

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    TTable Table() const { return Kind; }
    const TProjectFigures& Figures() const { return Project; }

private:
    struct TRow
    {
        int32_t Parent; // row id, -1 at the top
        int32_t Place;  // row among its parent's
        int64_t Record; // store index, -1 for "Summe"
        std::vector<int32_t> Children;
    };
    struct TCell
    {
        enum TKind
        {
            Empty,
            Text,
            Date,
            Number, // two decimals
            Days,   // one decimal
            Count,
        } Kind = Empty;
        QString Words;
        double Value = 0;
    };
    void AddRows(const TOutlineTree* outline);
    TCell Cell(const TRow& row, int column) const;
    TCell TaskCell(const TRow& row, int column) const;
    TCell ResourceCell(const TRow& row, int column) const;
    QVariant Shown(const TCell& cell, int role) const;
    QString ResourceNames(const TVorgangRec& rec) const;

    TTable Kind;
    const TDocument& Doc;
    QLocale Locale;
    TProjectFigures Project;
    std::vector<TRow> Rows;
    std::vector<int32_t> Top;
};

// Sorts by the sort role and keeps "Summe" last in either order.
class TSummeLastProxy : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// Every row of model in its present order, pre-order, with its level first:
// UTF-8 with a byte order mark, ";" between fields, one header row.
QByteArray TableCsv(const QAbstractItemModel& model);
