#pragma once

#include "Records.h"

// Work hours and the costs made of them. A working day is Monday to Friday,
// 08:00-12:00 and 13:00-17:00 local time, 8 hours.

// A stored number that can be counted: finite and at most 1e15 in magnitude.
// Others show as a dash and count as 0.
bool Countable(double value);
double Counted(double value);

// The part of [beginn, ende) that falls in working time, in hours; 0 for an empty
// or reversed span and for dates that cannot be counted.
double WorkHours(TDateTime beginn, TDateTime ende);

// A resource's labour on a task of so many work hours:
// CostPerHour x hours x max(Members, 1) + CostPerUse, uncountable rates as 0.
double LabourCost(const TArbeiterRec& resource, double hours);
// The hours a resource gives a task: hours x max(Members, 1).
double ResourceHours(const TArbeiterRec& resource, double hours);
