#pragma once

#include "Document.h"
#include "EditorParts.h"

#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QTimeEdit;
class QTreeWidget;
class QTreeWidgetItem;
class TOutlineNode;
class TDecimalSpinEdit;
class TWholeSpinEdit;

// "Vorgang bearbeiten": edits one leaf task. Made once and reused; it remembers
// the edited record by its store index, never through a store cursor.
class TVorgangForm final : public TEditorDialog
{
    Q_OBJECT

public:
    explicit TVorgangForm(QWidget* parent);

    // Fills every control from the task bound to node.
    void Load(const TDocument& doc, TOutlineNode* node);
    // Writes the controls back into the task loaded last, and the labels.
    void Store(TDocument& doc);

    void FormShow();
    void DateTimePicker2Change();
    void DateTimePicker1Change();
    void DateTimePicker3Change();
    void DateTimePicker4Change();
    void DaysEdChange();
    void HoursEdChange();
    void MinEdChange();
    void BitBtn3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildDetailsPage();
    void BuildOtherPages();
    TDateTime PickedStart() const;
    TDateTime PickedEnd() const;
    void FillPredecessors(const TDocument& doc, const TVorgangRec& rec);
    int32_t PickedLink() const;
    void FillResourceTree(const TDocument& doc, const TVorgangRec& rec);
    void StoreResources(const TDocument& doc, TVorgangRec& rec);
    std::vector<int32_t> CheckedIds(const TDocument& doc) const;

    TOutlineNode* EditedNode = nullptr;
    uint32_t EditedIndex = 0;

    QLineEdit* TntEdit1;
    QDateEdit* DateTimePicker2;
    QTimeEdit* DateTimePicker1;
    QDateEdit* DateTimePicker3;
    QTimeEdit* DateTimePicker4;
    TWholeSpinEdit* DaysEd;
    TWholeSpinEdit* HoursEd;
    TWholeSpinEdit* MinEd;
    QComboBox* LinkEd;
    std::vector<int32_t> ListedIds; // the Id of each task in LinkEd's list
    QTreeWidget* HTMLTreeview1;
    std::vector<int32_t> LoadedChecked; // in the list's order, as filled
    bool ResourcesToggled = false;
    QTableWidget* TntStringGrid1;
    QCheckBox* TntCheckBox1;
    TDecimalSpinEdit* RxSpinEdit4;
    QPlainTextEdit* TntMemo1;
};
