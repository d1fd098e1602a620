#pragma once

#include "Charts.h"

#include <QImage>
#include <QSize>

class QPainter;

// The screen charts. Each is drawn whole into its off-screen bitmap, which is made
// anew only when the paint box changed size, and then copied onto the paint box in
// one step, so the chart never flickers.
void PaintVorgangsChart(TDocument& doc, QImage& bitmap, const QSize& size, int dayWidth, QPainter& target,
                        TRowCountCache* rowCount);
void PaintRessourcenChart(const TDocument& doc, QImage& bitmap, const QSize& size, int dayWidth,
                          QPainter& target, TResourceIndex* resources);
