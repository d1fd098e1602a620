#pragma once

#include <QImage>
#include <QString>

// Reading printed PDF files back with poppler's tools.

// The number of pages, or -1 when the file cannot be read.
int PdfPageCount(const QString& pdf);
// The document title in the file's information, empty when there is none.
QString PdfTitle(const QString& pdf);
// The first page rendered without smoothing at dpi, only its top-left corner of
// the given size when there is one; a null image on failure.
QImage RenderFirstPage(const QString& pdf, int dpi, const QSize& corner = QSize());
// Page number page (from 1), likewise.
QImage RenderPage(const QString& pdf, int page, int dpi, const QSize& corner = QSize());
// The file's text, laid out as on its pages (pages separated by form feeds).
QString PdfText(const QString& pdf);

// Scanning a rendered page for dark pixels, those with no channel above mid-grey
// (text and black lines; the red bars are not dark): the first along a row from
// the left, or along a column from the top; -1 when there is none.
int FirstDarkInRow(const QImage& page, int y, int fromX = 0);
int FirstDarkInColumn(const QImage& page, int x, int fromY = 0);
// Whether any pixel of the rectangle is dark.
bool AnyDark(const QImage& page, int x1, int y1, int x2, int y2);
