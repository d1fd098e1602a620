#include "OutlineView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

// More patches than this between two repaints leave the rows to one rebuild.
constexpr int PatchBudget = 16;

bool ShowsChildren(const TOutlineNode* item)
{
    return item->childCount() > 0 && IsExpanded(item);
}

// Visits the shown nodes below item, in order, without recursion: imported
// outlines may be thousands of levels deep.
template <typename TVisit> void ForShownBelow(TOutlineNode* item, TVisit visit)
{
    if (!ShowsChildren(item))
        return;
    std::vector<std::pair<TOutlineNode*, int>> path{{item, 0}};
    while (!path.empty()) {
        TOutlineNode* node = path.back().first;
        const int next = path.back().second++;
        if (next == node->childCount()) {
            path.pop_back();
            continue;
        }
        TOutlineNode* child = node->child(next);
        visit(child);
        if (ShowsChildren(child))
            path.emplace_back(child, 0);
    }
}

void AppendShown(TOutlineNode* item, std::vector<TOutlineNode*>& rows)
{
    rows.push_back(item);
    ForShownBelow(item, [&](TOutlineNode* node) { rows.push_back(node); });
}

std::size_t ShownCount(TOutlineNode* item)
{
    std::size_t count = 1;
    ForShownBelow(item, [&](TOutlineNode*) { ++count; });
    return count;
}

// Whether every ancestor of item is expanded, so that item is a row of the list.
bool AncestorsExpanded(const TOutlineNode* item)
{
    for (const TOutlineNode* p = item->parent(); p; p = p->parent())
        if (!IsExpanded(p))
            return false;
    return true;
}

int LevelOf(const TOutlineNode* item)
{
    int level = 0;
    for (const TOutlineNode* p = item->parent(); p; p = p->parent())
        ++level;
    return level;
}

} // namespace

TOutlineView::TOutlineView(QWidget* parent) : TOutlineTree(parent)
{
    setUniformRowHeights(true);
    setVerticalScrollMode(ScrollPerItem);
    const QAbstractItemModel* rows = model();
    auto forget = [this] { Forget(); };
    // The outline's model deletes the nodes while the outline is destroyed, after
    // this part of it.
    Watching = {connect(rows, &QAbstractItemModel::modelAboutToBeReset, this, forget),
                connect(rows, &QAbstractItemModel::layoutAboutToBeChanged, this, forget),
                connect(rows, &QAbstractItemModel::rowsAboutToBeMoved, this, forget)};
    // Qt's tree view sets the scroll range from rows of its own, which it no longer
    // has, where its functions are not virtual. The list's range is put back before
    // the scroll bar clamps its value.
    connect(verticalScrollBar(), &QAbstractSlider::rangeChanged, this, [this](int, int maximum) {
        if (InScrollBars || maximum == ScrollMaximum)
            return;
        UpdateScrollBars();
        QMetaObject::invokeMethod(this, &TOutlineView::UpdateScrollBars, Qt::QueuedConnection);
    });
    connect(this, &QTreeView::expanded, this, &TOutlineView::ExpandedByQt);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { DoubleClickSeen = true; });
}

TOutlineView::~TOutlineView()
{
    for (const QMetaObject::Connection& c : Watching)
        disconnect(c);
}

const std::vector<TOutlineNode*>& TOutlineView::ShownRows() const
{
    EnsureRows();
    return Rows;
}

int TOutlineView::RowsFrom(const TOutlineNode* item) const
{
    const int row = RowOf(item);
    return row < 0 ? -1 : int(Rows.size()) - row;
}

void TOutlineView::EnsureRows() const
{
    if (!Stale)
        return;
    Rows.clear();
    const TOutlineNode* root = invisibleRootItem();
    // Counted first: grown as it is filled, the list would take up to twice its
    // size, and the blocks it outgrew stay among the heap's pages.
    std::size_t count = 0;
    for (int i = 0; i < root->childCount(); ++i)
        count += ShownCount(root->child(i));
    Rows.reserve(count);
    for (int i = 0; i < root->childCount(); ++i)
        AppendShown(root->child(i), Rows);
    Stale = false;
    Hint = 0;
}

void TOutlineView::Forget() const
{
    Stale = true;
    Rows.clear();
}

bool TOutlineView::TakePatch()
{
    if (Stale)
        return false;
    if (++Patches <= PatchBudget)
        return true;
    Forget();
    return false;
}

int TOutlineView::RowOf(const TOutlineNode* item) const
{
    EnsureRows();
    const int count = int(Rows.size());
    auto search = [&](int from, int to) {
        from = std::clamp(from, 0, count);
        to = std::clamp(to, from, count);
        const auto it = std::find(Rows.begin() + from, Rows.begin() + to, item);
        return it == Rows.begin() + to ? -1 : int(it - Rows.begin());
    };
    int row = search(Hint - 64, Hint + 64);
    if (row < 0)
        row = ShownRowOf(item);
    if (row < 0)
        row = search(0, count);
    if (row >= 0)
        Hint = row;
    return row;
}

int TOutlineView::ShownRowOf(const TOutlineNode* item) const
{
    EnsureRows();
    const int first = FirstRow();
    const int end = std::min(int(Rows.size()), first + PageRows() + 1);
    for (int row = std::max(first, 0); row < end; ++row)
        if (Rows[std::size_t(row)] == item)
            return row;
    return -1;
}

int TOutlineView::RowHeight() const
{
    const TOutlineNode* root = invisibleRootItem();
    if (root->childCount() == 0)
        return std::max(1, fontMetrics().height());
    const QModelIndex first = indexFromItem(root->child(0));
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
}

int TOutlineView::FirstRow() const
{
    return verticalScrollBar()->value();
}

int TOutlineView::PageRows() const
{
    return std::max(1, viewport()->height() / RowHeight());
}

int TOutlineView::RowAt(int y) const
{
    EnsureRows();
    const int height = RowHeight();
    if (y < 0)
        y -= height - 1;
    const int row = FirstRow() + y / height;
    return row >= 0 && row < int(Rows.size()) ? row : -1;
}

QRect TOutlineView::RowRect(int row) const
{
    const int height = RowHeight();
    return {0, (row - FirstRow()) * height, viewport()->width(), height};
}

void TOutlineView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    if (TakePatch()) {
        TOutlineNode* above = parent.isValid() ? itemFromIndex(parent) : invisibleRootItem();
        if (!parent.isValid() || (IsExpanded(above) && AncestorsExpanded(above))) {
            int at = 0;
            if (start > 0) {
                TOutlineNode* previous = above->child(start - 1);
                at = RowOf(previous);
                at = at < 0 ? -1 : at + int(ShownCount(previous));
            } else if (parent.isValid()) {
                at = RowOf(above);
                at = at < 0 ? -1 : at + 1;
            }
            std::vector<TOutlineNode*> added;
            for (int i = start; i <= end; ++i)
                AppendShown(above->child(i), added);
            if (at < 0)
                Forget();
            else
                Rows.insert(Rows.begin() + at, added.begin(), added.end());
        }
    }
    // As in Qt's tree view, the scroll range follows at the next layout, so that a
    // removal and an insertion right after it leave the scrolled place alone.
    scheduleDelayedItemsLayout();
    QAbstractItemView::rowsInserted(parent, start, end);
}

void TOutlineView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
    TOutlineNode* above = parent.isValid() ? itemFromIndex(parent) : invisibleRootItem();
    RemoveRows(above, start, end);
    // As in Qt's tree view, nodes that leave the outline leave collapsed.
    for (int i = start; i <= end; ++i) {
        PreOrder(above->child(i), [](TOutlineNode* node) { node->Expanded = false; });
    }
}

void TOutlineView::RemoveRows(TOutlineNode* above, int start, int end)
{
    if (!TakePatch())
        return;
    if (above != invisibleRootItem() && !(IsExpanded(above) && AncestorsExpanded(above)))
        return;
    const int row = RowOf(above->child(start));
    std::size_t count = 0;
    for (int i = start; i <= end; ++i)
        count += ShownCount(above->child(i));
    if (row < 0 || std::size_t(row) + count > Rows.size())
        return Forget();
    Rows.erase(Rows.begin() + row, Rows.begin() + row + std::ptrdiff_t(count));
}

void TOutlineView::ShowExpanded(TOutlineNode* node, bool expanded)
{
    if (!Show(node, expanded))
        return;
    if (expanded)
        Q_EMIT itemExpanded(node);
    else
        Q_EMIT itemCollapsed(node);
}

bool TOutlineView::Show(TOutlineNode* node, bool expanded)
{
    if (node->Expanded == expanded)
        return false;
    node->Expanded = expanded;
    // While the rows wait for a rebuild, which a layout is pending for, there is
    // nothing to patch: a file's expanded nodes come here by the hundred thousand.
    if (!Stale && AncestorsExpanded(node)) {
        if (expanded)
            PatchExpanded(node);
        else
            PatchCollapsed(node);
        Shifted();
    }
    return true;
}

// Qt's own ways of expanding (its public functions, accessibility): the outline has
// told already; the node takes the state over and Qt keeps none.
void TOutlineView::ExpandedByQt(const QModelIndex& index)
{
    {
        const QSignalBlocker quiet(this);
        collapse(index);
    }
    Show(itemFromIndex(index), true);
}

void TOutlineView::PatchExpanded(TOutlineNode* item)
{
    if (!TakePatch())
        return;
    std::vector<TOutlineNode*> added;
    ForShownBelow(item, [&](TOutlineNode* node) { added.push_back(node); });
    if (const int row = RowOf(item); row < 0)
        Forget();
    else
        Rows.insert(Rows.begin() + row + 1, added.begin(), added.end());
}

// The node no longer counts as expanded; its children's rows are still there.
void TOutlineView::PatchCollapsed(TOutlineNode* item)
{
    if (!TakePatch())
        return;
    std::size_t count = 0;
    for (int i = 0; i < item->childCount(); ++i)
        count += ShownCount(item->child(i));
    const int row = RowOf(item);
    if (row < 0 || std::size_t(row) + 1 + count > Rows.size())
        Forget();
    else
        Rows.erase(Rows.begin() + row + 1, Rows.begin() + row + 1 + std::ptrdiff_t(count));
}

// After rows came or went below an expanded or collapsed node: the scroll range
// follows at once, as in Qt's tree view, unless the rows wait for a rebuild.
void TOutlineView::Shifted()
{
    if (Stale)
        scheduleDelayedItemsLayout();
    else
        UpdateScrollBars();
    viewport()->update();
}

void TOutlineView::doItemsLayout()
{
    EnsureRows();
    QAbstractItemView::doItemsLayout();
    header()->doItemsLayout();
}

void TOutlineView::reset()
{
    QTreeView::reset();
    Forget();
}

void TOutlineView::keyboardSearch(const QString& search)
{
    QAbstractItemView::keyboardSearch(search);
}

void TOutlineView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles)
{
    // A single changed node off the screen needs no repaint, and finding its row
    // would mean searching the whole list.
    if (topLeft == bottomRight && topLeft.isValid() && ShownRowOf(itemFromIndex(topLeft)) < 0)
        return;
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

QRect TOutlineView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() != 0 || index.model() != model())
        return {};
    const TOutlineNode* item = itemFromIndex(index);
    const int row = RowOf(item);
    if (row < 0)
        return {};
    const int indent = indentation() * (LevelOf(item) + (rootIsDecorated() ? 1 : 0));
    const QRect rect = RowRect(row);
    return {header()->sectionViewportPosition(0) + indent, rect.y(), header()->sectionSize(0) - indent,
            rect.height()};
}

QModelIndex TOutlineView::indexAt(const QPoint& point) const
{
    const int row = RowAt(point.y());
    if (row < 0 || header()->logicalIndexAt(point.x()) != 0)
        return {};
    return indexFromItem(Rows[std::size_t(row)]);
}

void TOutlineView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model())
        return;
    TOutlineNode* item = itemFromIndex(index);
    for (TOutlineNode* p = item->parent(); p && state() == NoState && itemsExpandable(); p = p->parent())
        if (!IsExpanded(p))
            SetExpanded(p, true);
    UpdateScrollBars();
    const int row = RowOf(item);
    if (row < 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    if (hint == EnsureVisible && row >= top && row < top + PageRows()) {
        // already in sight
    } else if (hint == PositionAtTop || (hint == EnsureVisible && row < top)) {
        bar->setValue(row);
    } else {
        const int height = RowHeight();
        const int area = viewport()->height();
        const int y = (hint == PositionAtCenter ? area / 2 + height - 1 : area) - height;
        bar->setValue(y < 0 ? row : std::max(0, row - y / height));
    }
    const int width = viewport()->width();
    const int offset = header()->offset();
    const int position = header()->sectionPosition(0);
    const int cell = header()->sectionSize(0);
    QScrollBar* across = horizontalScrollBar();
    if (hint == PositionAtCenter)
        across->setValue(position - (width - cell) / 2);
    else if (position - offset < 0 || cell > width)
        across->setValue(position);
    else if (position - offset + cell > width)
        across->setValue(position - width + cell);
}

QModelIndex TOutlineView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    EnsureRows();
    const int count = int(Rows.size());
    if (count == 0)
        return {};
    TOutlineNode* current = currentItem();
    if (!current)
        return indexFromItem(Rows.front());
    const int row = std::max(0, RowOf(current));
    auto at = [&](int r) { return indexFromItem(Rows[std::size_t(std::clamp(r, 0, count - 1))]); };
    // A page is the rows of the viewport's height from the row's place on the screen.
    auto rowAtOffset = [&](int y) { return RowAt((row - FirstRow()) * RowHeight() + y); };
    if (isRightToLeft() && (cursorAction == MoveLeft || cursorAction == MoveRight))
        cursorAction = cursorAction == MoveLeft ? MoveRight : MoveLeft;
    QScrollBar* across = horizontalScrollBar();
    switch (cursorAction) {
    case MoveNext:
    case MoveDown:
        return at(row + 1);
    case MovePrevious:
    case MoveUp:
        return at(row - 1);
    case MovePageUp: {
        const int r = rowAtOffset(-viewport()->height());
        return at(r < 0 ? 0 : r);
    }
    case MovePageDown: {
        const int r = rowAtOffset(viewport()->height());
        return at(r < 0 ? count - 1 : r);
    }
    case MoveHome:
        return at(0);
    case MoveEnd:
        return at(count - 1);
    case MoveLeft:
        if (IsExpanded(current) && itemsExpandable() && across->value() == across->minimum()) {
            SetExpanded(current, false);
        } else if (style()->styleHint(QStyle::SH_ItemView_ArrowKeysNavigateIntoChildren, nullptr, this) &&
                   current->parent()) {
            return indexFromItem(current->parent());
        } else {
            across->setValue(across->value() - across->singleStep());
        }
        break;
    case MoveRight:
        if (!IsExpanded(current) && itemsExpandable() && current->childCount() > 0) {
            SetExpanded(current, true);
        } else if (style()->styleHint(QStyle::SH_ItemView_ArrowKeysNavigateIntoChildren, nullptr, this) &&
                   row + 1 < count && Rows[std::size_t(row + 1)]->parent() == current) {
            return at(row + 1);
        } else {
            across->setValue(across->value() + across->singleStep());
        }
        break;
    }
    updateGeometries();
    viewport()->update();
    return currentIndex();
}

int TOutlineView::horizontalOffset() const
{
    return header()->offset();
}

int TOutlineView::verticalOffset() const
{
    return FirstRow() * RowHeight();
}

void TOutlineView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel() || rect.isNull())
        return;
    EnsureRows();
    int first = RowAt(std::min(rect.top(), rect.bottom()));
    int last = RowAt(std::max(rect.top(), rect.bottom()));
    if (first < 0 && last < 0) {
        if (command & QItemSelectionModel::Clear)
            selectionModel()->clear();
        return;
    }
    if (first < 0)
        first = 0;
    if (last < 0)
        last = int(Rows.size()) - 1;
    QItemSelection selection;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexFromItem(Rows[std::size_t(row)]);
        selection.select(index, index);
    }
    selectionModel()->select(selection, command);
}

QRegion TOutlineView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QModelIndex& index : selection.indexes())
        if (const int row = ShownRowOf(itemFromIndex(index)); row >= 0)
            region += RowRect(row);
    return region;
}

void TOutlineView::scrollContentsBy(int dx, int dy)
{
    if (dx)
        header()->setOffset(isRightToLeft() ? -horizontalScrollBar()->value()
                                            : horizontalScrollBar()->value());
    viewport()->scroll(dx, dy * RowHeight());
}

// The tree view's keys for expanding: "+" and "-" the current node, "*" it and
// every node below it, leaves included.
void TOutlineView::keyPressEvent(QKeyEvent* event)
{
    TOutlineNode* current = currentItem();
    if (current && itemsExpandable()) {
        switch (event->key()) {
        case Qt::Key_Asterisk:
            // The node itself last: below a collapsed node nothing needs patching.
            PreOrder(current, [current](TOutlineNode* node) {
                if (node != current)
                    SetExpanded(node, true);
            });
            SetExpanded(current, true);
            break;
        case Qt::Key_Plus:
            SetExpanded(current, true);
            break;
        case Qt::Key_Minus:
            SetExpanded(current, false);
            break;
        default:
            break;
        }
    }
    QAbstractItemView::keyPressEvent(event);
}

void TOutlineView::updateGeometries()
{
    if (InGeometries)
        return;
    InGeometries = true;
    QHeaderView* top = header();
    int height = 0;
    if (!top->isHidden())
        height = std::min(std::max(top->minimumHeight(), top->sizeHint().height()), top->maximumHeight());
    setViewportMargins(0, height, 0, 0);
    const QRect area = viewport()->geometry();
    top->setGeometry(area.left(), area.top() - height, area.width(), height);
    QMetaObject::invokeMethod(top, "updateGeometries");
    UpdateScrollBars();
    InGeometries = false;
    QAbstractItemView::updateGeometries();
}

void TOutlineView::UpdateScrollBars()
{
    EnsureRows();
    const int count = int(Rows.size());
    const int page = count > 0 ? PageRows() : 0;
    QScrollBar* down = verticalScrollBar();
    ScrollMaximum = std::max(0, count - page);
    InScrollBars = true;
    down->setRange(0, ScrollMaximum);
    down->setPageStep(page);
    down->setSingleStep(1);
    InScrollBars = false;

    const int columns = header()->count();
    int width = viewport()->width();
    int shown = 0;
    for (int used = 0, column = columns - 1; column >= 0; --column) {
        used += header()->sectionSize(header()->logicalIndex(column));
        if (used > width)
            break;
        ++shown;
    }
    if (columns > 0)
        shown = std::max(1, shown);
    QScrollBar* across = horizontalScrollBar();
    if (horizontalScrollMode() == ScrollPerItem) {
        across->setRange(0, columns - shown);
        across->setPageStep(shown);
        across->setSingleStep(1);
    } else {
        const int length = header()->length();
        if (maximumViewportSize().width() >= length && down->maximum() <= 0)
            width = maximumViewportSize().width();
        across->setPageStep(width);
        across->setRange(0, std::max(length - width, 0));
        across->setSingleStep(std::max(width / (shown + 1), 2));
    }
}

TOutlineNode* TOutlineView::BranchAt(const QPoint& point) const
{
    const int row = RowAt(point.y());
    if (row < 0)
        return nullptr;
    TOutlineNode* item = Rows[std::size_t(row)];
    if (item->childCount() == 0 || (!rootIsDecorated() && !item->parent()))
        return nullptr;
    const int indent = indentation() * (LevelOf(item) + (rootIsDecorated() ? 1 : 0));
    const int position = header()->sectionViewportPosition(0);
    const QRect rect = RowRect(row);
    QStyleOption option;
    option.initFrom(this);
    option.rect =
        isRightToLeft()
            ? QRect(position + header()->sectionSize(0) - indent, rect.y(), indentation(), rect.height())
            : QRect(position + indent - indentation(), rect.y(), indentation(), rect.height());
    return style()->subElementRect(QStyle::SE_TreeViewDisclosureItem, &option, this).contains(point)
               ? item
               : nullptr;
}

void TOutlineView::Toggle(TOutlineNode* item)
{
    SetExpanded(item, !IsExpanded(item));
    updateGeometries();
    viewport()->update();
}

void TOutlineView::mousePressEvent(QMouseEvent* event)
{
    if (TOutlineNode* item = BranchAt(event->position().toPoint())) {
        if (style()->styleHint(QStyle::SH_ListViewExpand_SelectMouseType, nullptr, this) ==
            QEvent::MouseButtonPress)
            Toggle(item);
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void TOutlineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (TOutlineNode* item = BranchAt(event->position().toPoint())) {
        if (state() == DragSelectingState || state() == DraggingState)
            setState(NoState);
        if (style()->styleHint(QStyle::SH_ListViewExpand_SelectMouseType, nullptr, this) ==
            QEvent::MouseButtonRelease)
            Toggle(item);
        return;
    }
    QAbstractItemView::mouseReleaseEvent(event);
}

void TOutlineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (state() != NoState || !viewport()->rect().contains(point) || BranchAt(point) || RowAt(point.y()) < 0)
        return;
    const QPersistentModelIndex index = indexAt(point);
    DoubleClickSeen = false;
    // Emits the double click, or takes it for a press when the press was elsewhere.
    QAbstractItemView::mouseDoubleClickEvent(event);
    if (!DoubleClickSeen || !index.isValid() || state() != NoState)
        return;
    TOutlineNode* item = itemFromIndex(index);
    if (itemsExpandable() && expandsOnDoubleClick() && item->childCount() > 0)
        Toggle(item);
}

void TOutlineView::paintEvent(QPaintEvent* event)
{
    Patches = 0;
    EnsureRows();
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect area = event->rect();
    const int count = int(Rows.size());
    const int height = RowHeight();
    for (int row = FirstRow(), y = 0; row < count && y <= area.bottom(); ++row, y += height)
        if (y + height > area.top())
            DrawRow(painter, option, Rows[std::size_t(row)], y);
}

void TOutlineView::DrawRow(QPainter& painter, QStyleOptionViewItem option, TOutlineNode* item, int y) const
{
    const QModelIndex index = indexFromItem(item);
    const TOutlineNode* parent = item->parent() ? item->parent() : invisibleRootItem();
    const bool children = item->childCount() > 0;
    const bool expanded = IsExpanded(item);
    const bool siblings = index.row() < parent->childCount() - 1;
    const int height = RowHeight();
    option.rect = QRect(0, y, viewport()->width(), height);
    option.state |= (expanded ? QStyle::State_Open : QStyle::State_None) |
                    (children ? QStyle::State_Children : QStyle::State_None) |
                    (siblings ? QStyle::State_Sibling : QStyle::State_None);
    const QStyle::State state = option.state;
    QStyleOptionViewItem opt = option;
    opt.showDecorationSelected = (selectionBehavior() & SelectRows) || option.showDecorationSelected;
    opt.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    opt.state = state & ~QStyle::State_MouseOver;
    const bool selected = selectionModel()->isSelected(index);
    if (selected)
        opt.state |= QStyle::State_Selected;
    if (hasFocus() && currentIndex() == index)
        opt.state |= QStyle::State_HasFocus;
    // Every node is enabled.
    if (state & QStyle::State_Enabled)
        opt.palette.setCurrentColorGroup(opt.state & QStyle::State_Active ? QPalette::Active
                                                                          : QPalette::Inactive);

    const int position = header()->sectionViewportPosition(0);
    const int width = header()->sectionSize(0);
    const int level = LevelOf(item);
    const int indent = indentation() * (level + (rootIsDecorated() ? 1 : 0));
    const bool reverse = isRightToLeft();
    const QRect branches(reverse ? position + width - indent : position, y, indent, height);
    const bool clip = branches.width() > width;
    if (clip) {
        painter.save();
        painter.setClipRect(QRect(position, y, width, height));
    }
    opt.rect = branches;
    const bool showDecorationSelected = opt.showDecorationSelected;
    opt.showDecorationSelected = style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &opt, this);
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &opt, &painter, this);
    opt.showDecorationSelected = showDecorationSelected;
    const QStyle::State withSelection = opt.state;
    opt.state &= ~QStyle::State_Selected;
    opt.rect.setRect(reverse ? position : indent + position, y, width - indent, height);
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &opt, &painter, this);
    opt.state = withSelection;
    if (indentation() != 0)
        DrawBranches(painter, branches, item, level, selected);
    if (clip)
        painter.restore();
    itemDelegateForIndex(index)->paint(&painter, opt, index);
}

void TOutlineView::DrawBranches(QPainter& painter, const QRect& rect, TOutlineNode* item, int level,
                                bool selected) const
{
    const bool reverse = isRightToLeft();
    const int indent = indentation();
    const int outer = rootIsDecorated() ? 0 : 1;
    QRect primitive(reverse ? rect.left() : rect.right() + 1, rect.top(), indent, rect.height());
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    QStyle::State extra = QStyle::State_None;
    if (isEnabled())
        extra |= QStyle::State_Enabled;
    if (window()->isActiveWindow())
        extra |= QStyle::State_Active;
    if (selected)
        extra |= QStyle::State_Selected;
    auto hasMoreSiblings = [this](const TOutlineNode* node) {
        const TOutlineNode* parent = node->parent() ? node->parent() : invisibleRootItem();
        return indexFromItem(node).row() < parent->childCount() - 1;
    };
    if (level >= outer) {
        primitive.moveLeft(reverse ? primitive.left() : primitive.left() - indent);
        opt.rect = primitive;
        opt.state = QStyle::State_Item | extra |
                    (hasMoreSiblings(item) ? QStyle::State_Sibling : QStyle::State_None) |
                    (item->childCount() > 0 ? QStyle::State_Children : QStyle::State_None) |
                    (IsExpanded(item) ? QStyle::State_Open : QStyle::State_None);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &opt, &painter, this);
    }
    const TOutlineNode* current = item->parent();
    for (--level; level >= outer && current; --level) {
        primitive.moveLeft(reverse ? primitive.left() + indent : primitive.left() - indent);
        opt.rect = primitive;
        opt.state = extra | (hasMoreSiblings(current) ? QStyle::State_Sibling : QStyle::State_None);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &opt, &painter, this);
        current = current->parent();
    }
}
