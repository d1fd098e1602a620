#pragma once

#include "Records.h"

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>

// What the export and the import of Microsoft Project XML (MSPDI, the interchange
// format of desktop planners) agree on: field numbers, link types, and how dates,
// durations and amounts are written there.

inline const QString MspNamespace = QStringLiteral("http://schemas.microsoft.com/project");

// The field numbers of the custom fields Text1..Text5 and Number1..Number5.
constexpr std::array<int64_t, 5> MspTaskTextFields{188743731, 188743734, 188743737, 188743740, 188743743};
constexpr std::array<int64_t, 5> MspTaskNumberFields{188743767, 188743768, 188743769, 188743770, 188743771};
constexpr std::array<int64_t, 5> MspResourceTextFields{205520904, 205520905, 205520926, 205520927, 205520928};
constexpr std::array<int64_t, 5> MspResourceNumberFields{205521008, 205521009, 205521010, 205521011,
                                                         205521012};
// Flag1 of tasks carries "Arbeitszeitkosten einbeziehen" under this name.
constexpr int64_t MspTaskFlag1Field = 188743752;
inline const QString MspWorkCostsAlias = QStringLiteral("Arbeitszeitkosten einbeziehen");

// PredecessorLink types.
enum TMspLinkType
{
    MspFinishFinish = 0,
    MspFinishStart = 1,
    MspStartFinish = 2,
    MspStartStart = 3,
};

// The duration format of elapsed days.
constexpr int MspElapsedDays = 8;

// Amounts of money are written in hundredths; rates per hour as they are.
constexpr double MspCurrencyScale = 100.0;

// The earliest and the latest day an imported date may fall on: 1 January 1900
// and 31 December 9998 (the recalculation seeds summaries with 1 January 9999).
constexpr TDateTime MspFirstDay = 2.0;
constexpr TDateTime MspLastDay = 2958100.0;

// A day number as the local date-time "2026-03-02T08:00:00", to the second;
// empty for a value that names no day between the years 1 and 9999.
QString MspDateTime(TDateTime day);

// An ISO 8601 date-time ("2026-03-02T08:00:00", with or without seconds, fraction
// of a second or time zone; a date alone is its midnight) as a local day number.
// A time zone is converted into local time. Nothing for anything else.
std::optional<TDateTime> ParseMspDateTime(QStringView text);

// An elapsed span of days as "PT40H30M0S", to the minute; negative spans as zero.
QString MspDuration(TDateTime span);

// A finite number in plain decimal notation, as short as keeps its value ("12.5").
QString MspDecimal(double value);

// Text as XML 1.0 can carry it: control characters other than tab, line feed and
// carriage return, and halves of surrogate pairs, become U+FFFD.
QString XmlSafe(const QString& text);
