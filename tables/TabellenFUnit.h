#pragma once

#include "TableModels.h"

#include <QWidget>
#include <functional>
#include <memory>

class QTreeView;

// The window of one table: a tree table of the document in outline order, every
// row expanded, sortable by any column, and "Als CSV speichern...". It is a view
// of the model only; the main window refreshes it when the document changes.
class TTabellenForm : public QWidget
{
public:
    // chooseFile asks for the CSV file's name (empty: cancelled); open is called
    // with the store index of a double-clicked row.
    TTabellenForm(QWidget* parent, TTable table, const TDocument& doc, std::function<QString()> chooseFile,
                  std::function<void(uint32_t)> open);

    // Builds the table again from the document, when the window is shown.
    void Refresh();
    // Shows the window with the table as the document is now.
    void ShowTable();
    // Writes the table as shown; false with the reason when the file cannot be written.
    bool SaveCsv(const QString& name, QString& error) const;
    QTreeView* View() const { return Tabelle; }

private:
    void Build();

    TTable Kind;
    const TDocument& Doc;
    std::function<QString()> ChooseFile;
    std::function<void(uint32_t)> Open;
    QTreeView* Tabelle;
    TTableModel* Model = nullptr;
    TSummeLastProxy* Sorted = nullptr;
};
