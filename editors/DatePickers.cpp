#include "DatePickers.h"

#include "Clock.h"

#include <QDateEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <cmath>

namespace {

constexpr double MsPerDay = 86400000.0;

} // namespace

QDateEdit* MakeDatePicker(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    picker->setCalendarPopup(true);
    picker->setGeometry(x, y, width, picker->sizeHint().height());
    return picker;
}

QTimeEdit* MakeTimePicker(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(QLatin1String(name));
    // Hours, minutes and seconds as the locale writes them, without a time zone.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(u't');
    picker->setDisplayFormat(format.trimmed());
    picker->setGeometry(x, y, width, picker->sizeHint().height());
    return picker;
}

TDateTime WholeDay(TDateTime v)
{
    return std::trunc(v);
}

TDateTime TimeOfDay(TDateTime v)
{
    return v - std::trunc(v);
}

TDateTime PickedDay(const QDateEdit* picker)
{
    return DayOfDate(picker->date());
}

TDateTime PickedTimeOfDay(const QTimeEdit* picker)
{
    return picker->time().msecsSinceStartOfDay() / MsPerDay;
}

bool SetPickedDay(QDateEdit* picker, TDateTime day)
{
    const QDate date = DateOfDay(day);
    if (!date.isValid() || date < picker->minimumDate() || date > picker->maximumDate())
        return false;
    const QSignalBlocker quiet(picker);
    picker->setDate(date);
    return true;
}

bool SetPickedTime(QTimeEdit* picker, TDateTime v)
{
    if (!std::isfinite(v) || std::abs(v) > 1e12)
        return false;
    const double fraction = std::abs(TimeOfDay(v));
    const int ms = std::min(int(std::llround(fraction * MsPerDay)), int(MsPerDay) - 1);
    const QSignalBlocker quiet(picker);
    picker->setTime(QTime::fromMSecsSinceStartOfDay(ms));
    return true;
}
