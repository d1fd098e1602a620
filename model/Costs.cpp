#include "Costs.h"

#include <algorithm>
#include <cmath>

namespace {

// Working hours of the day part [0, hour) of a working day.
double DayHours(double hour)
{
    return std::clamp(hour, 8.0, 12.0) - 8.0 + std::clamp(hour, 13.0, 17.0) - 13.0;
}

// Working hours from Monday 25 December 1899 (day -5) to t.
double HoursUntil(TDateTime t)
{
    const double day = std::floor(t);
    const double fromMonday = day + 5;
    const double weeks = std::floor(fromMonday / 7);
    const double weekday = fromMonday - 7 * weeks; // 0 = Monday
    double hours = 40 * weeks + 8 * std::min(weekday, 5.0);
    if (weekday < 5)
        hours += DayHours((t - day) * 24);
    return hours;
}

} // namespace

bool Countable(double value)
{
    return std::isfinite(value) && std::fabs(value) <= 1e15;
}

double Counted(double value)
{
    return Countable(value) ? value : 0;
}

double WorkHours(TDateTime beginn, TDateTime ende)
{
    if (!Countable(beginn) || !Countable(ende) || !(ende > beginn))
        return 0;
    return std::max(0.0, HoursUntil(ende) - HoursUntil(beginn));
}

double LabourCost(const TArbeiterRec& resource, double hours)
{
    return Counted(resource.CostPerHour) * ResourceHours(resource, hours) + Counted(resource.CostPerUse);
}

double ResourceHours(const TArbeiterRec& resource, double hours)
{
    return hours * std::max(resource.Members, 1);
}
