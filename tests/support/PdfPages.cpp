#include "PdfPages.h"

#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString InfoField(const QString& pdf, const QString& field)
{
    const QRegularExpression line(QLatin1Char('^') + field + QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

bool Dark(const QImage& page, int x, int y)
{
    const QRgb pixel = page.pixel(x, y);
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) < 128;
}

} // namespace

int PdfPageCount(const QString& pdf)
{
    bool ok = false;
    const int pages = InfoField(pdf, QStringLiteral("Pages")).toInt(&ok);
    return ok ? pages : -1;
}

QString PdfTitle(const QString& pdf)
{
    return InfoField(pdf, QStringLiteral("Title"));
}

QString PdfText(const QString& pdf)
{
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QImage RenderFirstPage(const QString& pdf, int dpi, const QSize& corner)
{
    return RenderPage(pdf, 1, dpi, corner);
}

QImage RenderPage(const QString& pdf, int page, int dpi, const QSize& corner)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    const QString number = QString::number(page);
    QStringList arguments = {QStringLiteral("-r"),          QString::number(dpi),
                             QStringLiteral("-f"),          number,
                             QStringLiteral("-l"),          number,
                             QStringLiteral("-singlefile"), QStringLiteral("-aa"),
                             QStringLiteral("no"),          QStringLiteral("-aaVector"),
                             QStringLiteral("no"),          QStringLiteral("-png")};
    if (corner.isValid())
        arguments << QStringLiteral("-W") << QString::number(corner.width()) << QStringLiteral("-H")
                  << QString::number(corner.height());
    Run(QStringLiteral("pdftoppm"), arguments << pdf << base);
    QImageReader::setAllocationLimit(1024); // a whole page at 600 dpi is larger than Qt's default allows
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

int FirstDarkInRow(const QImage& page, int y, int fromX)
{
    for (int x = fromX; x < page.width(); ++x)
        if (Dark(page, x, y))
            return x;
    return -1;
}

int FirstDarkInColumn(const QImage& page, int x, int fromY)
{
    for (int y = fromY; y < page.height(); ++y)
        if (Dark(page, x, y))
            return y;
    return -1;
}

bool AnyDark(const QImage& page, int x1, int y1, int x2, int y2)
{
    for (int y = std::max(0, y1); y < std::min(y2, page.height()); ++y)
        for (int x = std::max(0, x1); x < std::min(x2, page.width()); ++x)
            if (Dark(page, x, y))
                return true;
    return false;
}
