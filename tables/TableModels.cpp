#include "TableModels.h"

#include "Clock.h"
#include "Costs.h"
#include "Outline.h"
#include "Texts.h"

#include <algorithm>
#include <cmath>

namespace {

const QString Dash = QStringLiteral("—");

const char* const TaskHeaders[] = {"Vorgang",    "Beginn",       "Ende",          "Dauer",       "Vorgänger",
                                   "Ressourcen", "Feste Kosten", "Arbeitskosten", "Gesamtkosten"};
const char* const ResourceHeaders[] = {"Ressource",          "Stunden",  "Kosten pro Stunde",
                                       "Kosten pro Einsatz", "Einsätze", "Kosten"};

} // namespace

QString DayTimeText(TDateTime t)
{
    const QDate date = DateOfDay(t);
    if (!date.isValid() || !Countable(t))
        return Dash;
    const int minutes = std::min(1439, int(std::lround(std::fabs(t - std::trunc(t)) * 1440)));
    return date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" %1:%2")
                                                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

TTableModel::TTableModel(TTable table, const TDocument& doc, const QLocale& locale)
    : Kind(table), Doc(doc), Locale(locale), Project(ComputeFigures(doc))
{
    AddRows(table == TTable::Vorgaenge ? doc.Vorgangs : doc.Arbeiter);
    Top.push_back(int32_t(Rows.size()));
    Rows.push_back({-1, int32_t(Top.size() - 1), -1, {}});
}

void TTableModel::AddRows(const TOutlineTree* outline)
{
    std::vector<std::pair<TOutlineNode*, int32_t>> pending; // node, parent row
    for (int i = outline->topLevelItemCount() - 1; i >= 0; --i)
        pending.emplace_back(outline->topLevelItem(i), -1);
    Rows.reserve(std::size_t(outline->topLevelItemCount()) + 1);
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        std::vector<int32_t>& siblings = parent < 0 ? Top : Rows[std::size_t(parent)].Children;
        const auto id = int32_t(Rows.size());
        siblings.push_back(id);
        Rows.push_back({parent, int32_t(siblings.size() - 1), int64_t(RecordIndex(node)), {}});
        for (int c = node->childCount() - 1; c >= 0; --c)
            pending.emplace_back(node->child(c), id);
    }
}

QModelIndex TTableModel::index(int row, int column, const QModelIndex& parent) const
{
    const std::vector<int32_t>& rows = parent.isValid() ? Rows[parent.internalId()].Children : Top;
    if (row < 0 || row >= int(rows.size()) || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column, quintptr(rows[std::size_t(row)]));
}

QModelIndex TTableModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const int32_t parent = Rows[child.internalId()].Parent;
    if (parent < 0)
        return {};
    return createIndex(Rows[std::size_t(parent)].Place, 0, quintptr(parent));
}

int TTableModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(Top.size());
    return parent.column() == 0 ? int(Rows[parent.internalId()].Children.size()) : 0;
}

int TTableModel::columnCount(const QModelIndex&) const
{
    return Kind == TTable::Vorgaenge ? int(std::size(TaskHeaders)) : int(std::size(ResourceHeaders));
}

QVariant TTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return QString::fromUtf8(Kind == TTable::Vorgaenge ? TaskHeaders[section] : ResourceHeaders[section]);
}

QVariant TTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TRow& row = Rows[index.internalId()];
    if (role == TableRole::Record)
        return qlonglong(row.Record);
    const TCell cell = Cell(row, index.column());
    if (role == Qt::TextAlignmentRole)
        return cell.Kind >= TCell::Number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    return Shown(cell, role);
}

QVariant TTableModel::Shown(const TCell& cell, int role) const
{
    const bool countable = Countable(cell.Value);
    if (role == TableRole::Sort) {
        if (cell.Kind == TCell::Text || cell.Kind == TCell::Empty)
            return cell.Words;
        return countable ? cell.Value : -std::numeric_limits<double>::infinity();
    }
    if (role != Qt::DisplayRole && role != TableRole::Csv)
        return {};
    QLocale locale = Locale;
    if (role == TableRole::Csv)
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    switch (cell.Kind) {
    case TCell::Empty:
    case TCell::Text:
        return cell.Words;
    case TCell::Date:
        return DayTimeText(cell.Value);
    case TCell::Number:
        return countable ? locale.toString(cell.Value, 'f', 2) : Dash;
    case TCell::Days:
        return countable ? locale.toString(cell.Value, 'f', 1) : Dash;
    case TCell::Count:
        return locale.toString(qlonglong(cell.Value));
    }
    return {};
}

TTableModel::TCell TTableModel::Cell(const TRow& row, int column) const
{
    return Kind == TTable::Vorgaenge ? TaskCell(row, column) : ResourceCell(row, column);
}

QString TTableModel::ResourceNames(const TVorgangRec& rec) const
{
    std::vector<std::pair<int64_t, uint32_t>> named; // outline place, store index
    if (rec.Resources)
        for (uint32_t i = 0; i < rec.Resources->Count; ++i) {
            const auto found = Project.ResourceById.find(*static_cast<const int32_t*>(rec.Resources->At(i)));
            if (found != Project.ResourceById.end() && !Doc.ArbeiterAt(found->second).Deleted)
                named.emplace_back(Project.ResourcePlace[found->second], found->second);
        }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    QStringList names;
    for (const auto& entry : named)
        names << TextOf(Doc.ArbeiterAt(entry.second).Name);
    return names.join(QStringLiteral(", "));
}

TTableModel::TCell TTableModel::TaskCell(const TRow& row, int column) const
{
    const bool total = row.Record < 0;
    const TTaskFigures& f = total ? Project.TaskTotal : Project.Tasks[std::size_t(row.Record)];
    const TVorgangRec* rec = total ? nullptr : &Doc.VorgangAt(uint32_t(row.Record));
    const TDateTime beginn = total ? Project.Beginn : rec->Beginn;
    const TDateTime ende = total ? Project.Ende : rec->Ende;
    const bool span = !total || Project.HasSpan;
    switch (column) {
    case 0:
        return {TCell::Text, total ? QStringLiteral("Summe") : TextOf(rec->Name)};
    case 1:
        return span ? TCell{TCell::Date, {}, beginn} : TCell{};
    case 2:
        return span ? TCell{TCell::Date, {}, ende} : TCell{};
    case 3:
        return span ? TCell{TCell::Days, {}, ende - beginn} : TCell{};
    case 4: {
        const int64_t p = total ? -1 : Project.Predecessor[std::size_t(row.Record)];
        return {TCell::Text, p < 0 ? QString() : TextOf(Doc.VorgangAt(uint32_t(p)).Name)};
    }
    case 5:
        return {TCell::Text, total ? QString() : ResourceNames(*rec)};
    case 6:
        return {TCell::Number, {}, total || Countable(rec->FixedCosts) ? f.Fixed : rec->FixedCosts};
    case 7:
        return {TCell::Number, {}, f.Labour};
    default:
        return {TCell::Number, {}, f.Cost};
    }
}

TTableModel::TCell TTableModel::ResourceCell(const TRow& row, int column) const
{
    const bool total = row.Record < 0;
    const TResourceFigures& f = total ? Project.ResourceTotal : Project.Resources[std::size_t(row.Record)];
    const TArbeiterRec* rec = total ? nullptr : &Doc.ArbeiterAt(uint32_t(row.Record));
    switch (column) {
    case 0:
        return {TCell::Text, total ? QStringLiteral("Summe") : TextOf(rec->Name)};
    case 1:
        return {TCell::Number, {}, f.Hours};
    case 2:
        return total ? TCell{} : TCell{TCell::Number, {}, rec->CostPerHour};
    case 3:
        return total ? TCell{} : TCell{TCell::Number, {}, rec->CostPerUse};
    case 4:
        return {TCell::Count, {}, double(f.Uses)};
    default:
        return {TCell::Number, {}, f.Cost};
    }
}

bool TSummeLastProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    if (left.data(TableRole::Record).toLongLong() < 0)
        return sortOrder() == Qt::DescendingOrder;
    if (right.data(TableRole::Record).toLongLong() < 0)
        return sortOrder() == Qt::AscendingOrder;
    const QVariant a = left.data(TableRole::Sort);
    const QVariant b = right.data(TableRole::Sort);
    if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double)
        return a.toDouble() < b.toDouble();
    return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
}

namespace {

QString CsvField(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Pre-order without recursing: deep outlines are legal.
void CsvRows(const QAbstractItemModel& model, QString& out)
{
    std::vector<std::pair<QModelIndex, int>> pending; // row, level
    for (int r = model.rowCount() - 1; r >= 0; --r)
        pending.emplace_back(model.index(r, 0), 0);
    while (!pending.empty()) {
        const auto [row, level] = pending.back();
        pending.pop_back();
        QStringList fields{QString::number(level)};
        for (int c = 0; c < model.columnCount(row.parent()); ++c)
            fields << CsvField(row.siblingAtColumn(c).data(TableRole::Csv).toString());
        out += fields.join(u';') + QStringLiteral("\r\n");
        for (int r = model.rowCount(row) - 1; r >= 0; --r)
            pending.emplace_back(model.index(r, 0, row), level + 1);
    }
}

} // namespace

QByteArray TableCsv(const QAbstractItemModel& model)
{
    QStringList header{QStringLiteral("Ebene")};
    for (int c = 0; c < model.columnCount(); ++c)
        header << CsvField(model.headerData(c, Qt::Horizontal).toString());
    QString out = header.join(u';') + QStringLiteral("\r\n");
    CsvRows(model, out);
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}
