#include "SpinEdits.h"

#include <QLineEdit>
#include <QLocale>

QLocale EditorLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

TTextSpinEdit::TTextSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TTextSpinEdit::TextChanged);
}

QString TTextSpinEdit::Text() const
{
    return lineEdit()->text();
}

void TTextSpinEdit::SetText(const QString& text)
{
    if (text != lineEdit()->text())
        lineEdit()->setText(text);
}

void TTextSpinEdit::stepBy(int steps)
{
    Step(steps);
}

QValidator::State TTextSpinEdit::validate(QString& input, int&) const
{
    for (int i = 0; i < input.size(); ++i)
        if (!Allowed(input[i], i))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

void TTextSpinEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled TTextSpinEdit::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

TWholeSpinEdit::TWholeSpinEdit(QWidget* parent) : TTextSpinEdit(parent)
{
    SetText(QStringLiteral("0"));
}

int32_t TWholeSpinEdit::Value() const
{
    bool ok = false;
    const int32_t value = Text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

void TWholeSpinEdit::SetValue(int64_t value)
{
    SetText(QString::number(value));
}

void TWholeSpinEdit::Step(int steps)
{
    SetValue(int64_t(Value()) + steps);
}

bool TWholeSpinEdit::Allowed(QChar c, int pos) const
{
    return c.isDigit() || (pos == 0 && (c == u'-' || c == u'+'));
}

TDecimalSpinEdit::TDecimalSpinEdit(QWidget* parent) : TTextSpinEdit(parent)
{
    SetValue(0);
}

double TDecimalSpinEdit::Value() const
{
    bool ok = false;
    const double value = EditorLocale().toDouble(Text().trimmed(), &ok);
    return ok ? value : 0;
}

void TDecimalSpinEdit::SetValue(double value)
{
    SetText(EditorLocale().toString(value, 'f', 2));
}

void TDecimalSpinEdit::Step(int steps)
{
    SetValue(Value() + steps);
}

bool TDecimalSpinEdit::Allowed(QChar c, int pos) const
{
    const QLocale locale = EditorLocale();
    return c.isDigit() || locale.decimalPoint().contains(c) || locale.groupSeparator().contains(c) ||
           (pos == 0 && (c == u'-' || c == u'+'));
}
