#pragma once

#include "Outline.h"

#include <vector>

// The outline with a view of its own over the same nodes and model. Qt's tree view
// lays out every shown row again after each insertion or removal under an expanded
// node and keeps a record per shown row; this view keeps only the list of shown
// nodes in order, patches it where a change happened and paints the rows in sight.
// Signals, selection, in-place editing and the keys and clicks behave as in Qt's
// tree widget. Every row is as high as the first.
//
// It shows its nodes expanded from their own Expanded: Qt's tree view holds none of
// them expanded, so the node's isExpanded() is always false here. Ask IsExpanded and
// set with SetExpanded; Qt's own ways of expanding (the node's setExpanded among
// them) hand the state over to the node.
class TOutlineView : public TOutlineTree, public TExpansionView
{
public:
    explicit TOutlineView(QWidget* parent = nullptr);
    ~TOutlineView() override;
    TOutlineView(const TOutlineView&) = delete;
    TOutlineView& operator=(const TOutlineView&) = delete;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;
    void keyboardSearch(const QString& search) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

    // The shown nodes in order, as painted from the top of the scrolled list.
    const std::vector<TOutlineNode*>& ShownRows() const;
    // How many shown rows item and those after it make; -1 when item is no row.
    int RowsFrom(const TOutlineNode* item) const;

    void ShowExpanded(TOutlineNode* node, bool expanded) override;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void updateGeometries() override;

private:
    // Rows is rebuilt from the items before its next use when Stale; a burst of
    // patches without a repaint between them (a whole outline expanded, a file
    // read) ends in one rebuild instead of one shift of the list per patch.
    mutable std::vector<TOutlineNode*> Rows;
    mutable bool Stale = true;
    mutable int Hint = 0;
    int Patches = 0;
    bool InGeometries = false;
    bool InScrollBars = false;
    int ScrollMaximum = 0;
    bool DoubleClickSeen = false;
    std::vector<QMetaObject::Connection> Watching;

    void EnsureRows() const;
    void Forget() const;
    bool TakePatch();
    int RowOf(const TOutlineNode* item) const;
    int ShownRowOf(const TOutlineNode* item) const;
    int RowAt(int y) const;
    int RowHeight() const;
    int FirstRow() const;
    int PageRows() const;
    QRect RowRect(int row) const;
    TOutlineNode* BranchAt(const QPoint& point) const;
    void Toggle(TOutlineNode* item);
    void RemoveRows(TOutlineNode* above, int start, int end);
    void ExpandedByQt(const QModelIndex& index);
    // Sets node's state and patches the shown rows; false when it was so already.
    bool Show(TOutlineNode* node, bool expanded);
    void PatchExpanded(TOutlineNode* item);
    void PatchCollapsed(TOutlineNode* item);
    void Shifted();
    void UpdateScrollBars();
    void DrawRow(QPainter& painter, QStyleOptionViewItem option, TOutlineNode* item, int y) const;
    void DrawBranches(QPainter& painter, const QRect& rect, TOutlineNode* item, int level,
                      bool selected) const;
};
