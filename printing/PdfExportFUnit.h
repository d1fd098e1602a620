#pragma once

#include "PdfExport.h"

#include <QDialog>

class QCheckBox;
class QFileDialog;
class QComboBox;

// "Als PDF exportieren": paper size, orientation and whether the days are fitted
// to the page width. The dialog lives for the run, so its choice is remembered.
class TPdfExportForm : public QDialog
{
public:
    explicit TPdfExportForm(QWidget* parent);

    TExportLayout Layout() const;

private:
    QComboBox* Papierformat;
    QComboBox* Ausrichtung;
    QCheckBox* Anpassen;
};

// The save dialog for the exported file: filter "PDF-Dateien (*.pdf)", default
// extension ".pdf".
QFileDialog* MakePdfFileDialog(QWidget* parent);
// The file the save dialog proposes: the project's file with ".pdf" in its place,
// "unbenannt.pdf" for an untitled project.
QString ProposedPdfName(const QString& documentFile);
