#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

// The print settings file: a profile (ini) file named like the program's
// executable with ".INI", in the user's configuration folder under "Zeitkant".
// It holds one section, "TDruckeinstellungenForm", with the print settings
// dialog's window placement and the name column width, in this order:
//
//   FormVersion=0
//   Flags=0
//   ShowCmd=1
//   PixelsPerInch=96
//   MinMaxPos=-1,-1,-1,-1
//   NormPos=<left>,<top>,<right>,<bottom>
//   Visible=<1 when saved as the program ends, else 0>
//   BreitSpalteNameEd_Value=50
//
// Other sections of the file are kept as they are.

QString PrintSettingsPath();

// What a file holds of the section; a key that is missing or does not parse is
// left empty. A missing or unreadable file holds nothing.
struct TStoredPrintSettings
{
    std::optional<int> PixelsPerInch;
    std::optional<QRect> NormPos;
    std::optional<int> Width;
};

TStoredPrintSettings ReadPrintSettings(const QString& path);

struct TPrintSettingsValues
{
    int PixelsPerInch = 96;
    QRect NormPos; // the dialog's frame, normal state
    bool Visible = false;
    int Width = 50;
};

// Replaces the section. The file is written whole or not at all; on failure
// "nach <path> kann nicht geschrieben werden" is thrown and the old file stays.
void WritePrintSettings(const QString& path, const TPrintSettingsValues& values);

// "50" for 50; a number in the file may also carry a fraction ("50.4" reads as 50).
std::optional<int> ParseWidth(const QString& text);
