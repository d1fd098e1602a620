#include "Clock.h"

namespace {

const QDate DayZero(1899, 12, 30);
constexpr double MsPerDay = 86400000.0;

std::function<QDateTime()>& ClockSource()
{
    static std::function<QDateTime()> source = [] { return QDateTime::currentDateTime(); };
    return source;
}

} // namespace

double ToDayNumber(const QDateTime& localTime)
{
    return double(DayZero.daysTo(localTime.date())) + localTime.time().msecsSinceStartOfDay() / MsPerDay;
}

double Now()
{
    return ToDayNumber(ClockSource()());
}

void SetClockForTesting(std::function<QDateTime()> source)
{
    ClockSource() = source ? std::move(source) : [] { return QDateTime::currentDateTime(); };
}
