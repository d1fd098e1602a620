#include "MsProjectFormat.h"

#include "Clock.h"

#include <QDateTime>
#include <QTimeZone>
#include <charconv>
#include <cmath>

namespace {

constexpr int SecondsPerDay = 86400;
// 1 January of the year 1 and 31 December 9999.
constexpr double FirstWritableDay = -693593.0;
constexpr double LastWritableDay = 2958465.0;

// n decimal digits at text[at...]; -1 when there are not.
int Digits(QStringView text, qsizetype at, int n)
{
    if (at + n > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = text[at + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool IsAt(QStringView text, qsizetype at, char16_t c)
{
    return at < text.size() && text[at].unicode() == c;
}

bool XmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

QString MspDateTime(TDateTime day)
{
    if (!(day >= FirstWritableDay && day < LastWritableDay + 1))
        return {};
    double whole = std::floor(day);
    auto seconds = int(std::llround((day - whole) * SecondsPerDay));
    if (seconds == SecondsPerDay) {
        whole += 1;
        seconds = 0;
    }
    const QDate date = DateOfDay(whole);
    if (!date.isValid() || date.year() > 9999)
        return {};
    const QTime time = QTime(0, 0).addSecs(seconds);
    return date.toString(Qt::ISODate) + QLatin1Char('T') + time.toString(QStringLiteral("HH:mm:ss"));
}

std::optional<TDateTime> ParseMspDateTime(QStringView text)
{
    text = text.trimmed();
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    const int dayOfMonth = Digits(text, 8, 2);
    if (year < 0 || month < 0 || dayOfMonth < 0 || !IsAt(text, 4, u'-') || !IsAt(text, 7, u'-'))
        return std::nullopt;
    const QDate date(year, month, dayOfMonth);
    qsizetype at = 10;
    int hour = 0, minute = 0, second = 0, ms = 0;
    if (IsAt(text, at, u'T')) {
        hour = Digits(text, at + 1, 2);
        minute = Digits(text, at + 4, 2);
        if (hour < 0 || minute < 0 || !IsAt(text, at + 3, u':'))
            return std::nullopt;
        at += 6;
        if (IsAt(text, at, u':')) {
            second = Digits(text, at + 1, 2);
            if (second < 0)
                return std::nullopt;
            at += 3;
            if (IsAt(text, at, u'.')) {
                const qsizetype start = ++at;
                double fraction = 0, scale = 0.1;
                for (; Digits(text, at, 1) >= 0; ++at, scale /= 10)
                    fraction += Digits(text, at, 1) * scale;
                if (at == start)
                    return std::nullopt;
                ms = std::min(int(fraction * 1000), 999);
            }
        }
    }
    const QTime time(hour, minute, second, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    QDateTime local;
    if (at == text.size()) {
        return DayOfDate(date) + time.msecsSinceStartOfDay() / (SecondsPerDay * 1000.0);
    } else if (IsAt(text, at, u'Z') && at + 1 == text.size()) {
        local = QDateTime(date, time, QTimeZone::utc()).toLocalTime();
    } else if ((IsAt(text, at, u'+') || IsAt(text, at, u'-')) && at + 6 == text.size() &&
               IsAt(text, at + 3, u':')) {
        const int hours = Digits(text, at + 1, 2);
        const int minutes = Digits(text, at + 4, 2);
        if (hours < 0 || hours > 14 || minutes < 0 || minutes > 59)
            return std::nullopt;
        const int offset = (IsAt(text, at, u'-') ? -60 : 60) * (hours * 60 + minutes);
        local = QDateTime(date, time, QTimeZone(offset)).toLocalTime();
    } else {
        return std::nullopt;
    }
    if (!local.isValid())
        return std::nullopt;
    return ToDayNumber(local);
}

QString MspDuration(TDateTime span)
{
    const double minutes = span > 0 ? std::round(span * 24 * 60) : 0;
    if (!(minutes < 1e15))
        return QStringLiteral("PT0H0M0S");
    const auto whole = int64_t(minutes);
    return QStringLiteral("PT%1H%2M0S").arg(whole / 60).arg(whole % 60);
}

QString MspDecimal(double value)
{
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buffer, end - buffer);
}

QString XmlSafe(const QString& text)
{
    QString safe;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        const bool ok = XmlChar(c);
        if (!ok && safe.isNull())
            safe = text.left(i);
        if (!safe.isNull()) {
            if (ok)
                safe.append(text.mid(i, units));
            else
                safe.append(QChar::ReplacementCharacter);
        }
        i += units - 1;
    }
    return safe.isNull() ? text : safe;
}
