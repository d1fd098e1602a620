#include "Canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

TCanvas::TCanvas(QPainter& painter) : Painter(painter)
{
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setRenderHint(QPainter::TextAntialiasing, true);
    CurrentFont = Painter.font();
}

void TCanvas::SetFont(const QFont& font)
{
    CurrentFont = font;
    Painter.setFont(font);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    const int w = x2 - x1;
    const int h = y2 - y1;
    if (w <= 0 || h <= 0)
        return;
    Painter.fillRect(x1, y1, w, h, Brush);
    if (Pen == Brush)
        return;
    Painter.fillRect(x1, y1, w, 1, Pen);
    Painter.fillRect(x1, y2 - 1, w, 1, Pen);
    Painter.fillRect(x1, y1, 1, h, Pen);
    Painter.fillRect(x2 - 1, y1, 1, h, Pen);
}

void TCanvas::Line(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 != y2)
        Painter.fillRect(x1, std::min(y1, y2 + 1), 1, std::abs(y2 - y1), Pen);
    else if (y1 == y2 && x1 != x2)
        Painter.fillRect(std::min(x1, x2 + 1), y1, std::abs(x2 - x1), 1, Pen);
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    Painter.setPen(FontColour);
    const QFontMetrics metrics(CurrentFont, Painter.device());
    Painter.drawText(x, y + metrics.ascent(), text);
}

int TCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(CurrentFont, Painter.device()).horizontalAdvance(text);
}

void TCanvas::Clip(int x1, int y1, int x2, int y2)
{
    Painter.setClipRect(x1, y1, std::max(0, x2 - x1), std::max(0, y2 - y1));
}

void TCanvas::Unclip()
{
    Painter.setClipping(false);
}
