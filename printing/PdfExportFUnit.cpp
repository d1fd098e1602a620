#include "PdfExportFUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QPushButton>

TPdfExportForm::TPdfExportForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PdfExportForm"));
    setWindowTitle(QStringLiteral("Als PDF exportieren"));
    auto* form = new QFormLayout(this);
    Papierformat = new QComboBox(this);
    Papierformat->setObjectName(QStringLiteral("Papierformat"));
    Papierformat->addItem(QStringLiteral("A4"), int(QPageSize::A4));
    Papierformat->addItem(QStringLiteral("A3"), int(QPageSize::A3));
    Papierformat->addItem(QStringLiteral("Letter"), int(QPageSize::Letter));
    form->addRow(QStringLiteral("Papierformat:"), Papierformat);
    Ausrichtung = new QComboBox(this);
    Ausrichtung->setObjectName(QStringLiteral("Ausrichtung"));
    Ausrichtung->addItem(QStringLiteral("Hochformat"), int(QPageLayout::Portrait));
    Ausrichtung->addItem(QStringLiteral("Querformat"), int(QPageLayout::Landscape));
    form->addRow(QStringLiteral("Ausrichtung:"), Ausrichtung);
    Anpassen = new QCheckBox(QStringLiteral("An Seitenbreite anpassen"), this);
    Anpassen->setObjectName(QStringLiteral("Anpassen"));
    form->addRow(Anpassen);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Exportieren"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

TExportLayout TPdfExportForm::Layout() const
{
    return {QPageSize::PageSizeId(Papierformat->currentData().toInt()),
            QPageLayout::Orientation(Ausrichtung->currentData().toInt()), Anpassen->isChecked()};
}

QFileDialog* MakePdfFileDialog(QWidget* parent)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("PdfDialog1"));
    dialog->setNameFilter(QStringLiteral("PDF-Dateien (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    return dialog;
}

QString ProposedPdfName(const QString& documentFile)
{
    if (documentFile.isEmpty())
        return QStringLiteral("unbenannt.pdf");
    const QFileInfo file(documentFile);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
}
