#include "AboutBox.h"

#include "JpegImage.h"
#include "Printers.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

QByteArray AboutJpeg()
{
    QFile file(QStringLiteral(":/about.jpg"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(AboutBox, ShowsPictureTextsAndTheYear)
{
    TAboutBox box(nullptr, 2031);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    auto* copyright = box.findChild<QLabel*>(QStringLiteral("Copyright"));
    ASSERT_NE(copyright, nullptr);
    EXPECT_TRUE(copyright->text().contains(QStringLiteral("2031")));
    EXPECT_FALSE(copyright->text().contains(QStringLiteral("XXXX")));
    auto* picture = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(160, 120));
    auto* buttons = box.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok);
}

TEST(Jpeg, DecodesThePictureWithItsColours)
{
    const QImage image = DecodeJpeg(AboutJpeg());
    ASSERT_EQ(image.size(), QSize(160, 120));
    const QColor bar = image.pixelColor(40, 34);
    EXPECT_GT(bar.red(), 200);
    EXPECT_LT(bar.green(), 60);
    const QColor sheet = image.pixelColor(122, 46);
    EXPECT_GT(sheet.lightness(), 220);
}

TEST(Jpeg, DamagedDataGivesANullImage)
{
    const QByteArray good = AboutJpeg();
    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(DecodeJpeg(good.left(60)).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray(500, 'x')).isNull());
    QByteArray badMarker = good;
    badMarker[3] = char(0x01);
    badMarker[2] = char(0xFF);
    EXPECT_TRUE(DecodeJpeg(badMarker.left(200)).isNull());
}

} // namespace
