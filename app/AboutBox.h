#pragma once

#include <QDialog>

class QLabel;

// "Info": the program's picture, product texts and an OK button. The copyright
// line carries the year the program was started in place of "XXXX".
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    TAboutBox(QWidget* parent, int currentYear);
};
