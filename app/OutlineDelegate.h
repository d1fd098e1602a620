#pragma once

#include <QStyledItemDelegate>
#include <functional>

class TOutlineTree;
class TOutlineNode;

// Item delegate of both outlines: rows 16 pixels high, and a confirmed in-place
// edit is reported with its text before the node takes it. A cancelled edit
// reports nothing. A double click opens an editor dialog, never a rename: the
// rename that the double click's first click scheduled on a selected row is
// refused. F2 and a single click on the selected row still rename.
class TOutlineDelegate : public QStyledItemDelegate
{
public:
    using TEdited = std::function<void(TOutlineNode* node, const QString& text)>;

    TOutlineDelegate(TOutlineTree* outline, TEdited onEdited);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TOutlineTree* Outline;
    QObject* Viewport;
    TEdited OnEdited;
    bool DoubleClicked = false; // since the last press or key
};
