#include "DruckeinstellungenFUnit.h"

#include "Errors.h"
#include "PrintSettings.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <cmath>
#include <limits>

namespace {

int ScreenPixelsPerInch(const QWidget* widget)
{
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInch())) : 96;
}

} // namespace

TDruckeinstellungenForm::TDruckeinstellungenForm(QWidget* parent, const QString& settingsPath)
    : QDialog(parent), SettingsPath(settingsPath)
{
    setObjectName(QStringLiteral("DruckeinstellungenForm"));
    setWindowTitle(QStringLiteral("Druckeinstellungen"));
    setFixedSize(357, 215);
    QFont dialogFont(QStringLiteral("Arial")); // narrow enough for the label's one line
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* label1 =
        new QLabel(QStringLiteral("Breite der Spalte für den Namen der Vorgänge/Ressourcen in mm:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(8, 8);
    label1->adjustSize();

    BreitSpalteNameEd = new QSpinBox(this);
    BreitSpalteNameEd->setObjectName(QStringLiteral("BreitSpalteNameEd"));
    BreitSpalteNameEd->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    BreitSpalteNameEd->setSingleStep(1);
    BreitSpalteNameEd->setValue(50);
    BreitSpalteNameEd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    BreitSpalteNameEd->setGeometry(8, 24, 73, 21);

    auto* bevel1 = new QFrame(this);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameShape(QFrame::HLine);
    bevel1->setFrameShadow(QFrame::Sunken);
    bevel1->setGeometry(0, 165, 357, 2);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtnXP1"));
    ok->setGeometry(141, 176, 75, 25);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

TDruckeinstellungenForm::~TDruckeinstellungenForm()
{
    if (!SavedSinceRestore)
        Guarded([this] { Save(true); });
}

int TDruckeinstellungenForm::Width() const
{
    bool ok = false;
    const int width = BreitSpalteNameEd->cleanText().trimmed().toInt(&ok);
    return ok ? width : 0;
}

void TDruckeinstellungenForm::Restore()
{
    const TStoredPrintSettings stored = ReadPrintSettings(SettingsPath);
    if (stored.NormPos && stored.PixelsPerInch == ScreenPixelsPerInch(this)) {
        move(stored.NormPos->topLeft());
        Positioned = true;
    }
    if (stored.Width)
        BreitSpalteNameEd->setValue(*stored.Width);
    SavedSinceRestore = false;
}

void TDruckeinstellungenForm::Save(bool atProgramEnd)
{
    TPrintSettingsValues values;
    values.PixelsPerInch = ScreenPixelsPerInch(this);
    values.NormPos = QRect(pos(), frameGeometry().size());
    values.Visible = atProgramEnd;
    values.Width = Width();
    WritePrintSettings(SettingsPath, values);
    SavedSinceRestore = true;
}

void TDruckeinstellungenForm::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        Restore();
        if (!Positioned) {
            if (const QScreen* screen =
                    parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
                move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
            Positioned = true;
        }
    }
    QDialog::setVisible(visible);
}

void TDruckeinstellungenForm::done(int result)
{
    QDialog::done(result);
    Guarded([this] { Save(false); });
}
