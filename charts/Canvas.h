#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

// The drawing conventions every chart is written in, over a QPainter without
// antialiasing: a rectangle (x1, y1, x2, y2) covers x1..x2-1 and y1..y2-1 with its
// one-pixel outline on those outer pixels; a line leaves out its end point; text
// is drawn transparent with its top-left corner at the given point.
class TCanvas
{
public:
    explicit TCanvas(QPainter& painter);

    void SetPen(const QColor& colour) { Pen = colour; }
    void SetBrush(const QColor& colour) { Brush = colour; }
    void SetFont(const QFont& font);
    const QFont& Font() const { return CurrentFont; }
    void SetFontColour(const QColor& colour) { FontColour = colour; }

    void Rectangle(int x1, int y1, int x2, int y2);
    // Horizontal or vertical lines only.
    void Line(int x1, int y1, int x2, int y2);
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;

    // Clips everything drawn until Unclip() to the rectangle (x1, y1, x2, y2).
    void Clip(int x1, int y1, int x2, int y2);
    void Unclip();

private:
    QPainter& Painter;
    QColor Pen = Qt::black;
    QColor Brush = Qt::white;
    QColor FontColour = Qt::black;
    QFont CurrentFont;
};
