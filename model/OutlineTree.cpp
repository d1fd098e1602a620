#include "OutlineTree.h"

#include "Slabs.h"

#include <QHeaderView>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

bool IsLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

TSlabs& NodeSlabs()
{
    // Never destroyed: a node may outlive every other static object.
    static TSlabs* slabs = new TSlabs(sizeof(TOutlineNode));
    return *slabs;
}

} // namespace

static_assert(sizeof(TOutlineNode) == 56, "nodes are a million blocks of an open project");

void* TOutlineNode::operator new(std::size_t bytes)
{
    return bytes == sizeof(TOutlineNode) ? NodeSlabs().Take() : ::operator new(bytes);
}

void TOutlineNode::operator delete(void* block, std::size_t bytes) noexcept
{
    if (bytes != sizeof(TOutlineNode))
        ::operator delete(block);
    else if (block)
        NodeSlabs().Give(block);
}

void* TNodeCaption::Block() const
{
    void* block = nullptr;
    std::memcpy(&block, Bytes, sizeof block);
    return block;
}

qsizetype TNodeCaption::Length() const
{
    qsizetype length = 0;
    std::memcpy(&length, Bytes + sizeof(void*), sizeof length);
    return length;
}

void TNodeCaption::Release()
{
    if (Kind() == LongLatin1)
        delete[] static_cast<char*>(Block());
    else if (Kind() == LongWide)
        delete[] static_cast<char16_t*>(Block());
}

QString TNodeCaption::Text() const
{
    switch (Kind()) {
    case LongLatin1:
        return QString::fromLatin1(static_cast<const char*>(Block()), Length());
    case LongWide:
        return QString(static_cast<const QChar*>(Block()), Length());
    default:
        return QString::fromLatin1(Bytes, Kind());
    }
}

bool TNodeCaption::Equals(QStringView text) const
{
    switch (Kind()) {
    case LongLatin1:
        return text == QLatin1StringView(static_cast<const char*>(Block()), Length());
    case LongWide:
        return text == QStringView(static_cast<const QChar*>(Block()), Length());
    default:
        return text == QLatin1StringView(Bytes, Kind());
    }
}

void TNodeCaption::Assign(QStringView text)
{
    const qsizetype length = text.size();
    const bool latin1 = IsLatin1(text);
    const bool inPlace = latin1 && length <= ShortMax;
    const char16_t* from = reinterpret_cast<const char16_t*>(text.utf16());
    char fresh[sizeof Bytes] = {};
    void* block = nullptr;
    if (latin1) {
        char* to = inPlace ? fresh : new char[std::size_t(length)];
        std::transform(from, from + length, to, [](char16_t c) { return char(c); });
        block = to;
    } else {
        block = std::copy_n(from, length, new char16_t[std::size_t(length)]) - length;
    }
    if (inPlace) {
        fresh[ShortMax] = char(length);
    } else {
        std::memcpy(fresh, &block, sizeof block);
        std::memcpy(fresh + sizeof block, &length, sizeof length);
        fresh[ShortMax] = char(latin1 ? LongLatin1 : LongWide);
    }
    Release();
    std::memcpy(Bytes, fresh, sizeof Bytes);
}

TOutlineNode::TOutlineNode() = default;

TOutlineNode::TOutlineNode(const QString& caption) : Caption(caption) {}

// Leaves its outline first, so that whoever the outline's model tells of the
// removal still finds a whole node here. The nodes below go without a word, from
// the last leaf up: without recursing, as deep outlines are legal, and without a
// list of nodes to visit, as a destructor has nowhere to report a failure.
TOutlineNode::~TOutlineNode()
{
    if (Above)
        Above->takeChild(Above->indexOfChild(this));
    for (TOutlineNode* at = this;;) {
        if (at->childCount() > 0) {
            at = at->Children[at->childCount() - 1];
            continue;
        }
        if (at == this)
            break;
        TOutlineNode* up = at->Above;
        delete up->DropLast();
        at = up;
    }
    if (Children)
        std::free(reinterpret_cast<char*>(Children) - ListHeader);
}

TOutlineNode* TOutlineNode::DropLast()
{
    TOutlineNode* node = Children[--CountOf(Children)];
    node->Above = nullptr;
    return node;
}

namespace {

// What a list of count children has room for.
std::size_t Room(std::size_t count)
{
    return count == 0 ? 0 : std::bit_ceil(count);
}

} // namespace

// From the guess outwards: after an insertion or removal before it, a node is a
// step or two away from where it was last seen.
int TOutlineNode::indexOfChild(const TOutlineNode* node) const
{
    if (!node || node->Above != this)
        return -1;
    const int count = childCount();
    const int guess = std::clamp(int(node->RowGuess), 0, count - 1);
    for (int step = 0; guess - step >= 0 || guess + step < count; ++step) {
        for (const int row : {guess - step, guess + step}) {
            if (row >= 0 && row < count && Children[row] == node) {
                node->RowGuess = uint32_t(row);
                return row;
            }
        }
    }
    return -1;
}

void TOutlineNode::Join(TOutlineNode* node, TOutlineTree* tree)
{
    PreOrder(node, [tree](TOutlineNode* at) { at->Tree = tree; });
}

void TOutlineNode::insertChild(int index, TOutlineNode* node)
{
    insertChildren(index, {node});
}

void TOutlineNode::insertChildren(int index, const std::vector<TOutlineNode*>& nodes)
{
    const auto placed = [this](const TOutlineNode* node) {
        return !node || node->Above || node->Tree || node == this;
    };
    if (index < 0 || index > childCount() || nodes.empty() || std::any_of(nodes.begin(), nodes.end(), placed))
        return;
    const std::size_t before = std::size_t(childCount());
    const std::size_t count = before + nodes.size();
    // A row must fit where the node keeps the guess of it.
    if (count > std::size_t(1) << 30)
        throw std::bad_alloc();
    if (count > Room(before)) {
        char* block = Children ? reinterpret_cast<char*>(Children) - ListHeader : nullptr;
        void* grown = std::realloc(block, ListHeader + Room(count) * sizeof(TOutlineNode*));
        if (!grown)
            throw std::bad_alloc();
        Children = reinterpret_cast<TOutlineNode**>(static_cast<char*>(grown) + ListHeader);
        CountOf(Children) = uint32_t(before);
    }
    TOutlineModel* model = Tree ? Tree->Model : nullptr;
    if (model)
        model->beginInsertRows(model->IndexOf(this), index, index + int(nodes.size()) - 1);
    std::memmove(Children + index + nodes.size(), Children + index,
                 (before - std::size_t(index)) * sizeof(TOutlineNode*));
    std::copy(nodes.begin(), nodes.end(), Children + index);
    CountOf(Children) = uint32_t(count);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        nodes[i]->Above = this;
        nodes[i]->RowGuess = uint32_t(index) + uint32_t(i);
        if (Tree)
            Join(nodes[i], Tree);
    }
    if (model)
        model->endInsertRows();
}

TOutlineNode* TOutlineNode::takeChild(int index)
{
    if (index < 0 || index >= childCount())
        return nullptr;
    TOutlineModel* model = Tree ? Tree->Model : nullptr;
    if (model)
        model->beginRemoveRows(model->IndexOf(this), index, index);
    TOutlineNode* node = Children[index];
    std::memmove(Children + index, Children + index + 1,
                 (std::size_t(childCount()) - std::size_t(index) - 1) * sizeof(TOutlineNode*));
    --CountOf(Children);
    node->Above = nullptr;
    if (Tree)
        Join(node, nullptr);
    if (model)
        model->endRemoveRows();
    return node;
}

namespace {

bool IsCaption(int column, int role)
{
    return column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole);
}

} // namespace

QString TOutlineNode::text(int column) const
{
    return column == 0 ? Caption.Text() : QString();
}

QVariant TOutlineNode::data(int column, int role) const
{
    return IsCaption(column, role) ? QVariant(Caption.Text()) : QVariant();
}

void TOutlineNode::setData(int column, int role, const QVariant& value)
{
    if (IsCaption(column, role))
        SetCaption(value.toString());
}

// An unchanged caption tells nobody, a changed one the outline.
void TOutlineNode::SetCaption(QStringView caption)
{
    if (Caption.Equals(caption))
        return;
    Caption.Assign(caption);
    Changed();
}

void TOutlineNode::Changed()
{
    if (!Tree)
        return;
    const TOutlineModel* model = Tree->Model;
    Q_EMIT Tree->Model->dataChanged(model->IndexOf(this), model->IndexOf(this, model->Columns - 1));
}

bool TOutlineNode::isSelected() const
{
    return Tree && Tree->selectionModel()->isSelected(Tree->indexFromItem(this));
}

void TOutlineNode::setSelected(bool selected)
{
    if (!Tree)
        return;
    Tree->selectionModel()->select(Tree->indexFromItem(this),
                                   (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                       QItemSelectionModel::Rows);
}

bool TOutlineNode::isExpanded() const
{
    return Tree && Tree->isExpanded(Tree->indexFromItem(this));
}

void TOutlineNode::setExpanded(bool expanded)
{
    if (Tree)
        Tree->setExpanded(Tree->indexFromItem(this), expanded);
}

TOutlineModel::TOutlineModel(TOutlineTree* tree) : QAbstractItemModel(tree), Labels{QStringLiteral("1")}
{
    Root.IsRoot = true;
    Root.Tree = tree;
}

TOutlineNode* TOutlineModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TOutlineNode*>(index.internalPointer()) : &Root;
}

QModelIndex TOutlineModel::IndexOf(const TOutlineNode* node, int column) const
{
    if (!node || node->IsRoot || node->Tree != Root.Tree || column < 0 || column >= Columns)
        return {};
    return createIndex(node->Above->indexOfChild(node), column, node);
}

QModelIndex TOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= Columns)
        return {};
    TOutlineNode* node = NodeOf(parent)->child(row);
    if (!node)
        return {};
    node->RowGuess = uint32_t(row);
    return createIndex(row, column, node);
}

QModelIndex TOutlineModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    return IndexOf(NodeOf(index)->Above);
}

int TOutlineModel::rowCount(const QModelIndex& parent) const
{
    return NodeOf(parent)->childCount();
}

int TOutlineModel::columnCount(const QModelIndex&) const
{
    return Columns;
}

bool TOutlineModel::hasChildren(const QModelIndex& parent) const
{
    return NodeOf(parent)->childCount() > 0;
}

QVariant TOutlineModel::data(const QModelIndex& index, int role) const
{
    return index.isValid() ? NodeOf(index)->data(index.column(), role) : QVariant();
}

bool TOutlineModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    NodeOf(index)->setData(index.column(), role, value);
    return true;
}

Qt::ItemFlags TOutlineModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index)->flags() : Qt::ItemIsDropEnabled;
}

QVariant TOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= Labels.size() || !IsCaption(0, role))
        return {};
    return Labels[section];
}

TOutlineTree::TOutlineTree(QWidget* parent) : QTreeView(parent), Model(new TOutlineModel(this))
{
    QTreeView::setModel(Model);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        Q_EMIT itemDoubleClicked(itemFromIndex(index), index.column());
    });
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { Q_EMIT itemExpanded(itemFromIndex(index)); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { Q_EMIT itemCollapsed(itemFromIndex(index)); });
    connect(Model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft) {
        Q_EMIT itemChanged(itemFromIndex(topLeft), topLeft.column());
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                Q_EMIT currentItemChanged(itemFromIndex(current), itemFromIndex(previous));
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Q_EMIT itemSelectionChanged(); });
    header()->setSectionsClickable(false);
}

TOutlineTree::~TOutlineTree() = default;

void TOutlineTree::setColumnCount(int columns)
{
    const int count = Model->Columns;
    if (columns < 0 || columns == count)
        return;
    if (columns < count) {
        Model->beginRemoveColumns({}, columns, count - 1);
        Model->Columns = columns;
        Model->Labels.resize(columns);
        Model->endRemoveColumns();
        return;
    }
    Model->beginInsertColumns({}, count, columns - 1);
    Model->Columns = columns;
    for (int i = count; i < columns; ++i)
        Model->Labels.append(QString::number(i + 1));
    Model->endInsertColumns();
}

void TOutlineTree::setHeaderLabels(const QStringList& labels)
{
    if (labels.isEmpty())
        return;
    if (columnCount() < labels.size())
        setColumnCount(int(labels.size()));
    std::copy(labels.begin(), labels.end(), Model->Labels.begin());
    Q_EMIT Model->headerDataChanged(Qt::Horizontal, 0, int(labels.size()) - 1);
}

void TOutlineTree::clear()
{
    selectionModel()->clear();
    Model->beginResetModel();
    TOutlineNode& root = Model->Root;
    while (root.childCount() > 0)
        delete root.DropLast();
    Model->endResetModel();
}

QList<TOutlineNode*> TOutlineTree::selectedItems() const
{
    QList<TOutlineNode*> nodes;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (index.column() == 0)
            nodes.push_back(itemFromIndex(index));
    return nodes;
}

TOutlineNode* TOutlineTree::itemFromIndex(const QModelIndex& index) const
{
    return index.isValid() && index.model() == Model ? Model->NodeOf(index) : nullptr;
}

QModelIndex TOutlineTree::indexFromItem(const TOutlineNode* node, int column) const
{
    return Model->IndexOf(node, column);
}

TOutlineIterator& TOutlineIterator::operator++()
{
    if (At->childCount() > 0) {
        At = At->child(0);
        return *this;
    }
    for (TOutlineNode* node = At; node && !node->IsRoot; node = node->Above) {
        TOutlineNode* up = node->Above;
        if (!up)
            break;
        if (TOutlineNode* next = up->child(up->indexOfChild(node) + 1)) {
            At = next;
            return *this;
        }
    }
    At = nullptr;
    return *this;
}
