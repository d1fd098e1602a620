#pragma once

#include "Document.h"
#include "EditorParts.h"

class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class TOutlineNode;
class TDecimalSpinEdit;
class TWholeSpinEdit;

// "Ressource bearbeiten": edits one resource without child resources. Made once
// and reused; it remembers the edited record by its store index.
class TArbeiterForm final : public TEditorDialog
{
    Q_OBJECT

public:
    explicit TArbeiterForm(QWidget* parent);

    void Load(const TDocument& doc, TOutlineNode* node);
    void Store(TDocument& doc);

private:
    TOutlineNode* EditedNode = nullptr;
    uint32_t EditedIndex = 0;

    QLineEdit* TntEdit1;
    QLineEdit* TntEdit2;
    TDecimalSpinEdit* RxSpinEdit1;
    TDecimalSpinEdit* RxSpinEdit2;
    TWholeSpinEdit* RxSpinEdit3;
    QTableWidget* TntStringGrid1;
    QPlainTextEdit* TntMemo1;
};
