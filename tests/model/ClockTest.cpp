#include "Clock.h"

#include "Errors.h"

#include <QDate>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace {

TEST(DayNumbers, CalendarDaysAndDayNumbersMeetAtDayZero)
{
    EXPECT_EQ(DateOfDay(0), QDate(1899, 12, 30));
    EXPECT_EQ(DateOfDay(0.99), QDate(1899, 12, 30));
    EXPECT_EQ(DateOfDay(-0.5), QDate(1899, 12, 30)) << "the whole day is truncated toward zero";
    EXPECT_EQ(DateOfDay(-1.25), QDate(1899, 12, 29));
    EXPECT_EQ(DateOfDay(46000.75), QDate(2025, 12, 9));
    for (const QDate date : {QDate(1, 1, 1), QDate(1899, 12, 31), QDate(2024, 2, 29), QDate(9999, 12, 31)})
        EXPECT_EQ(DateOfDay(DayOfDate(date)), date) << date.toString(Qt::ISODate).toStdString();
    EXPECT_DOUBLE_EQ(ToDayNumber(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
}

TEST(DayNumbers, ValuesThatNameNoDayGiveNoDate)
{
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e19, -1e300})
        EXPECT_FALSE(DateOfDay(bad).isValid()) << bad;
}

TEST(ErrorReporter, ANullReporterRestoresTheFallback)
{
    QStringList fallback;
    QStringList test;
    SetFallbackErrorReporter([&](const QString& text) { fallback << text; });
    SetErrorReporter([&](const QString& text) { test << text; });
    Guarded([] { throw std::runtime_error("eins"); });
    SetErrorReporter(nullptr);
    Guarded([] { throw std::runtime_error("zwei"); });
    Guarded([] { throw EAbort(); });
    SetFallbackErrorReporter(nullptr);
    EXPECT_EQ(test, QStringList{QStringLiteral("eins")});
    EXPECT_EQ(fallback, QStringList{QStringLiteral("zwei")});
}

} // namespace
