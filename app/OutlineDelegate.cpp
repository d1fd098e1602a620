#include "OutlineDelegate.h"

#include "OutlineTree.h"

#include <QEvent>
#include <QMetaProperty>

TOutlineDelegate::TOutlineDelegate(TOutlineTree* outline, TEdited onEdited)
    : QStyledItemDelegate(outline), Outline(outline), Viewport(outline->viewport()),
      OnEdited(std::move(onEdited))
{
    outline->installEventFilter(this);
    Viewport->installEventFilter(this);
}

bool TOutlineDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // The delegate also watches the line editors it makes. Events arrive while the
    // outline is being destroyed too, so it is only compared, never asked.
    if (watched != Outline && watched != Viewport)
        return QStyledItemDelegate::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        DoubleClicked = true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        DoubleClicked = false;
        break;
    default:
        break;
    }
    return false;
}

QWidget* TOutlineDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    if (DoubleClicked)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

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
