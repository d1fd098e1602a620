#include "Clock.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

const QDate DayZero(1899, 12, 30);
constexpr double MsPerDay = 86400000.0;

std::function<QDateTime()>& TestClock()
{
    static std::function<QDateTime()> source;
    return source;
}

} // namespace

double ToDayNumber(const QDateTime& localTime)
{
    return DayOfDate(localTime.date()) + localTime.time().msecsSinceStartOfDay() / MsPerDay;
}

double DayOfDate(const QDate& date)
{
    return double(DayZero.daysTo(date));
}

QDate DateOfDay(double day)
{
    if (!(std::abs(day) < 9.0e18))
        return {};
    return DayZero.addDays(qint64(std::trunc(day)));
}

// Every new task reads the clock twice, also every task a file creates. Qt's
// current local time looks the time zone up anew at each call, which cost more
// than the rest of reading a task; the C library's local time looks it up once.
double Now()
{
    if (const auto& source = TestClock())
        return ToDayNumber(source());
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const int ms = ((local.tm_hour * 60 + local.tm_min) * 60 + std::min(local.tm_sec, 59)) * 1000 +
                   int(now.tv_nsec / 1000000);
    return DayOfDate(date) + ms / MsPerDay;
}

void SetClockForTesting(std::function<QDateTime()> source)
{
    TestClock() = std::move(source);
}
