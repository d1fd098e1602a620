#pragma once

#include <QDateTime>
#include <functional>

// Day numbers: whole days since 30 December 1899 plus the fraction of the day.
double ToDayNumber(const QDateTime& localTime);

// The day number of a calendar day's midnight.
double DayOfDate(const QDate& date);

// The calendar day of a day number's whole day (truncated toward zero); invalid
// for a value that names no whole day (not finite, or beyond 64-bit day counts).
QDate DateOfDay(double day);

// The current local date and time as a day number. Tests replace the source.
double Now();
void SetClockForTesting(std::function<QDateTime()> source);
