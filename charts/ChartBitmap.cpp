#include "ChartBitmap.h"

#include "Canvas.h"

#include <QPainter>

namespace {

template <typename Draw>
void PaintChart(QImage& bitmap, const QSize& size, int dayWidth, QPainter& target, Draw draw)
{
    if (bitmap.size() != size)
        bitmap = QImage(size, QImage::Format_RGB32);
    if (bitmap.isNull())
        return;
    {
        QPainter painter(&bitmap);
        TCanvas canvas(painter);
        TChartParams params;
        params.AreaWidth = bitmap.width();
        params.AreaHeight = bitmap.height();
        params.DayWidth = dayWidth;
        draw(canvas, params);
    }
    target.drawImage(0, 0, bitmap);
}

} // namespace

void PaintVorgangsChart(TDocument& doc, QImage& bitmap, const QSize& size, int dayWidth, QPainter& target,
                        TRowCountCache* rowCount)
{
    PaintChart(bitmap, size, dayWidth, target, [&](TCanvas& canvas, const TChartParams& params) {
        DrawVorgangs(doc, canvas, params, rowCount);
    });
}

void PaintRessourcenChart(const TDocument& doc, QImage& bitmap, const QSize& size, int dayWidth,
                          QPainter& target, TResourceIndex* resources)
{
    PaintChart(bitmap, size, dayWidth, target, [&](TCanvas& canvas, const TChartParams& params) {
        DrawRessourcen(doc, canvas, params, resources);
    });
}
