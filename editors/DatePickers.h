#pragma once

#include "Records.h"

class QDateEdit;
class QTimeEdit;
class QWidget;

// Date pickers hold whole day numbers (short date format, drop-down calendar);
// time pickers hold a time of day. Setting either from code signals nothing.
QDateEdit* MakeDatePicker(QWidget* parent, const char* name, int x, int y, int width);
QTimeEdit* MakeTimePicker(QWidget* parent, const char* name, int x, int y, int width);

// The whole day of v (truncated toward zero) and its time of day (v minus that).
TDateTime WholeDay(TDateTime v);
TDateTime TimeOfDay(TDateTime v);

TDateTime PickedDay(const QDateEdit* picker);
TDateTime PickedTimeOfDay(const QTimeEdit* picker);

// Returns false, leaving the picker as it was, for a day it cannot hold.
bool SetPickedDay(QDateEdit* picker, TDateTime day);
// Shows the time of day of v.
bool SetPickedTime(QTimeEdit* picker, TDateTime v);
