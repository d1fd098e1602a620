#pragma once

#include <QTreeWidget>
#include <vector>

// Qt's tree widget with a view of its own over the same items and model. Qt's tree
// view lays out every shown row again after each insertion or removal under an
// expanded node and keeps a record per shown row; this view keeps only the list of
// shown nodes in order, patches it where a change happened and paints the rows in
// sight. Items, signals, selection, in-place editing and the keys and clicks behave
// as in the tree widget. Every row is as high as the first.
class TOutlineView : public QTreeWidget
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
    const std::vector<QTreeWidgetItem*>& ShownRows() const;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
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
    mutable std::vector<QTreeWidgetItem*> Rows;
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
    int RowOf(const QTreeWidgetItem* item) const;
    int ShownRowOf(const QTreeWidgetItem* item) const;
    int RowAt(int y) const;
    int RowHeight() const;
    int FirstRow() const;
    int PageRows() const;
    QRect RowRect(int row) const;
    QTreeWidgetItem* BranchAt(const QPoint& point) const;
    void Toggle(QTreeWidgetItem* item);
    void Expanded(const QModelIndex& index);
    void Collapsed(const QModelIndex& index);
    void Shifted();
    void UpdateScrollBars();
    void DrawRow(QPainter& painter, QStyleOptionViewItem option, QTreeWidgetItem* item, int y) const;
    void DrawBranches(QPainter& painter, const QRect& rect, QTreeWidgetItem* item, int level,
                      bool selected) const;
};
