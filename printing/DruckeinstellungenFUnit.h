#pragma once

#include <QDialog>

class QSpinBox;

// "Druckeinstellungen": the width of the printed name column in millimetres. One
// instance lives for the whole run, so every print command can read the width.
// The width and the dialog's position are kept in the print settings file: read
// back at every showing (and by Restore), written whenever the dialog closes,
// however it is closed, and once more when it is destroyed unless nothing was
// read since the last write.
class TDruckeinstellungenForm : public QDialog
{
    Q_OBJECT

public:
    TDruckeinstellungenForm(QWidget* parent, const QString& settingsPath);
    ~TDruckeinstellungenForm() override;

    // The spin edit's value; text that is not a whole number reads as 0.
    int Width() const;

    // Reads the width and, when the file was written at the screen's resolution,
    // the position. Values that are missing or do not parse leave what is there.
    void Restore();
    // Writes the section; throws when the file cannot be written.
    void Save(bool atProgramEnd);

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    QString SettingsPath;
    QSpinBox* BreitSpalteNameEd = nullptr;
    bool SavedSinceRestore = true;
    bool Positioned = false;
};
