#include "PaintBox.h"

#include "Errors.h"

#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent, TPaintHandler onPaint) : QWidget(parent), OnPaint(std::move(onPaint))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Guarded([&] { OnPaint(painter); });
}
