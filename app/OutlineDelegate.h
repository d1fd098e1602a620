#pragma once

#include <QStyledItemDelegate>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// Item delegate of both outlines: rows 16 pixels high, and a confirmed in-place
// edit is reported with its text before the node takes it. A cancelled edit
// reports nothing.
class TOutlineDelegate : public QStyledItemDelegate
{
public:
    using TEdited = std::function<void(QTreeWidgetItem* node, const QString& text)>;

    TOutlineDelegate(QTreeWidget* outline, TEdited onEdited);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QTreeWidget* Outline;
    TEdited OnEdited;
};
