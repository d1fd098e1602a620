#include "OutlineDelegate.h"

#include <QMetaProperty>
#include <QTreeWidget>

TOutlineDelegate::TOutlineDelegate(QTreeWidget* outline, TEdited onEdited)
    : QStyledItemDelegate(outline), Outline(outline), OnEdited(std::move(onEdited))
{}

QSize TOutlineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), 16};
}

void TOutlineDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    const QString text = editor->metaObject()->userProperty().read(editor).toString();
    OnEdited(Outline->itemFromIndex(index), text);
    QStyledItemDelegate::setModelData(editor, model, index);
}
