#pragma once

#include <QDateTime>
#include <functional>

// Day numbers: whole days since 30 December 1899 plus the fraction of the day.
double ToDayNumber(const QDateTime& localTime);

// The current local date and time as a day number. Tests replace the source.
double Now();
void SetClockForTesting(std::function<QDateTime()> source);
