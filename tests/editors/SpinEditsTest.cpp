#include "SpinEdits.h"

#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(SpinEdits, StepByOneWithoutBoundsAndKeepTypedText)
{
    TDecimalSpinEdit cost(nullptr);
    cost.SetValue(0.5);
    EXPECT_EQ(cost.Text(), QStringLiteral("0,50"));
    cost.stepBy(-1);
    EXPECT_EQ(cost.Text(), QStringLiteral("-0,50"));
    cost.SetValue(1e9);
    cost.stepBy(1);
    EXPECT_EQ(cost.Text(), QStringLiteral("1000000001,00"));
    QTest::keyClicks(&cost, QStringLiteral("abc"));
    EXPECT_DOUBLE_EQ(cost.Value(), 1000000001.0) << "letters cannot be typed";

    TWholeSpinEdit count(nullptr);
    EXPECT_EQ(count.Text(), QStringLiteral("0"));
    count.SetValue(2147483647);
    count.stepBy(1);
    EXPECT_EQ(count.Text(), QStringLiteral("2147483648"));
    EXPECT_EQ(count.Value(), 0) << "beyond 32 bits is not a whole number here";
    QTest::keyClick(&count, Qt::Key_Backspace);
    count.SetText(QStringLiteral("-7"));
    QTest::keyClick(&count, Qt::Key_Up);
    EXPECT_EQ(count.Value(), -6);
}

TEST(SpinEdits, TextSetToWhatItShowsSignalsNothing)
{
    TWholeSpinEdit field(nullptr);
    int changes = 0;
    QObject::connect(&field, &TTextSpinEdit::TextChanged, [&] { ++changes; });
    field.SetValue(0);
    EXPECT_EQ(changes, 0);
    field.SetValue(3);
    field.SetValue(3);
    EXPECT_EQ(changes, 1);
}

} // namespace
