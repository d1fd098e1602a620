#include "AboutBox.h"

#include "JpegImage.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

QImage AboutPicture()
{
    QFile file(QStringLiteral(":/about.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeJpeg(file.readAll());
}

QLabel* TextLine(QWidget* parent, const QString& text, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent, int currentYear) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(QPixmap::fromImage(AboutPicture()));

    QString copyright = QStringLiteral("Copyright © XXXX Kelmorin");
    copyright.replace(QStringLiteral("XXXX"), QString::number(currentYear));

    auto* texts = new QVBoxLayout;
    QLabel* product = TextLine(this, QStringLiteral("Kelmorin Zeitkant"), "ProductName");
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    product->setFont(bold);
    texts->addWidget(product);
    texts->addWidget(TextLine(this, QStringLiteral("Version 1.0"), "Version"));
    texts->addWidget(TextLine(this, copyright, "Copyright"));
    texts->addWidget(
        TextLine(this, QStringLiteral("Projektplanung für Vorgänge und Ressourcen"), "Comments"));
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
