#include "PrintSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

const QString Section = QStringLiteral("TDruckeinstellungenForm");

bool IsSectionHeader(const QString& line, QString* name = nullptr)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
        return false;
    if (name)
        *name = trimmed.mid(1, trimmed.size() - 2).trimmed();
    return true;
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

std::optional<int> ParseInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<QRect> ParseNormPos(const QString& text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> part = ParseInt(parts[i]);
        if (!part)
            return std::nullopt;
        v[i] = *part;
    }
    return QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
}

QString NumberList(int a, int b, int c, int d)
{
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

} // namespace

QString PrintSettingsPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return folder + QStringLiteral("/Zeitkant/") + name + QStringLiteral(".INI");
}

std::optional<int> ParseWidth(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double whole = std::trunc(value);
    if (whole < double(std::numeric_limits<int>::min()) || whole > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(whole);
}

TStoredPrintSettings ReadPrintSettings(const QString& path)
{
    TStoredPrintSettings stored;
    bool inSection = false;
    for (const QString& line : ReadLines(path)) {
        QString name;
        if (IsSectionHeader(line, &name)) {
            inSection = name.compare(Section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key.compare(QStringLiteral("PixelsPerInch"), Qt::CaseInsensitive) == 0)
            stored.PixelsPerInch = ParseInt(value);
        else if (key.compare(QStringLiteral("NormPos"), Qt::CaseInsensitive) == 0)
            stored.NormPos = ParseNormPos(value);
        else if (key.compare(QStringLiteral("BreitSpalteNameEd_Value"), Qt::CaseInsensitive) == 0)
            stored.Width = ParseWidth(value);
    }
    return stored;
}

void WritePrintSettings(const QString& path, const TPrintSettingsValues& values)
{
    // Everything outside the section stays; the section goes where it was, or last.
    QStringList lines;
    qsizetype sectionAt = -1;
    bool inSection = false;
    for (const QString& line : ReadLines(path)) {
        QString name;
        if (IsSectionHeader(line, &name)) {
            inSection = name.compare(Section, Qt::CaseInsensitive) == 0;
            if (inSection && sectionAt < 0)
                sectionAt = lines.size();
        }
        if (!inSection)
            lines << line;
    }
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    const QRect& pos = values.NormPos;
    const QStringList section = {
        QLatin1Char('[') + Section + QLatin1Char(']'),
        QStringLiteral("FormVersion=0"),
        QStringLiteral("Flags=0"),
        QStringLiteral("ShowCmd=1"),
        QStringLiteral("PixelsPerInch=%1").arg(values.PixelsPerInch),
        QStringLiteral("MinMaxPos=") + NumberList(-1, -1, -1, -1),
        QStringLiteral("NormPos=") + NumberList(pos.left(), pos.top(), pos.right() + 1, pos.bottom() + 1),
        QStringLiteral("Visible=%1").arg(values.Visible ? 1 : 0),
        QStringLiteral("BreitSpalteNameEd_Value=%1").arg(values.Width),
    };
    if (sectionAt < 0 || sectionAt > lines.size())
        lines << section;
    else
        for (qsizetype i = 0; i < section.size(); ++i)
            lines.insert(sectionAt + i, section[i]);

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = (lines.join(u'\n') + u'\n').toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path).toStdString());
}
