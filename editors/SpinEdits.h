#pragma once

#include <QAbstractSpinBox>
#include <QString>

// Spin edits whose value is whatever their text reads: no bounds, the buttons and
// the arrow keys step by 1, and typed text is kept exactly as typed. (Qt's own
// spin boxes round and clamp what the user types.)
class TTextSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT

public:
    explicit TTextSpinEdit(QWidget* parent);

    QString Text() const;
    // Replaces the text; does nothing (and signals nothing) when it reads the same.
    void SetText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

Q_SIGNALS:
    // Every change of the text, typed or set.
    void TextChanged();

protected:
    StepEnabled stepEnabled() const override;
    virtual void Step(int steps) = 0;
    virtual bool Allowed(QChar c, int pos) const = 0;
};

// A whole number; text that is not a 32-bit whole number reads as 0.
class TWholeSpinEdit final : public TTextSpinEdit
{
    Q_OBJECT

public:
    explicit TWholeSpinEdit(QWidget* parent);
    int32_t Value() const;
    void SetValue(int64_t value);

protected:
    void Step(int steps) override;
    bool Allowed(QChar c, int pos) const override;
};

// A decimal number shown with two decimals in the locale's fixed format; text
// that reads no number reads as 0.
class TDecimalSpinEdit final : public TTextSpinEdit
{
    Q_OBJECT

public:
    explicit TDecimalSpinEdit(QWidget* parent);
    double Value() const;
    void SetValue(double value);

protected:
    void Step(int steps) override;
    bool Allowed(QChar c, int pos) const override;
};

// The locale without digit grouping, as numbers are shown in the editors.
QLocale EditorLocale();
