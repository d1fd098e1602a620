#include "ArbeiterFUnit.h"

#include "Outline.h"
#include "SpinEdits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>

TArbeiterForm::TArbeiterForm(QWidget* parent)
    : TEditorDialog(parent, "ArbeiterForm", QStringLiteral("Ressource bearbeiten"))
{
    QWidget* details = AddPage(QStringLiteral("Details"), "TabSheet1");
    QLabel* nameLabel = Caption(details, QStringLiteral("Bezeichnung/Name:"), 8, 16);
    QLabel* eMail = Caption(details, QStringLiteral("eMail:"), 8, 40);
    QLabel* perHour = Caption(details, QStringLiteral("Kosten pro Sunde:"), 8, 64);
    QLabel* perUse = Caption(details, QStringLiteral("Kosten pro Einsatz:"), 8, 88);
    QLabel* members = Caption(details, QStringLiteral("Mitglieder Anzahl :"), 8, 112);
    auto textEdit = [details](const char* name, int y) {
        auto* edit = new QLineEdit(details);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(128, y, 489, edit->sizeHint().height());
        return edit;
    };
    TntEdit1 = textEdit("TntEdit1", 16);
    TntEdit2 = textEdit("TntEdit2", 40);
    auto place = [](QWidget* field, const char* name, int y) {
        field->setObjectName(QLatin1String(name));
        field->setGeometry(128, y, 89, field->sizeHint().height());
    };
    RxSpinEdit1 = new TDecimalSpinEdit(details);
    place(RxSpinEdit1, "RxSpinEdit1", 64);
    RxSpinEdit2 = new TDecimalSpinEdit(details);
    place(RxSpinEdit2, "RxSpinEdit2", 88);
    RxSpinEdit3 = new TWholeSpinEdit(details);
    place(RxSpinEdit3, "RxSpinEdit3", 112);
    LabelField(nameLabel, TntEdit1);
    LabelField(eMail, TntEdit2);
    LabelField(perHour, RxSpinEdit1);
    LabelField(perUse, RxSpinEdit2);
    LabelField(members, RxSpinEdit3);
    ChainFields({TntEdit1, TntEdit2, RxSpinEdit1, RxSpinEdit2, RxSpinEdit3});

    QWidget* fields = AddPage(QStringLiteral("Benutzerdefinierte Felder"), "TabSheet2");
    TntStringGrid1 = MakeFieldGrid(fields);

    QWidget* notes = AddPage(QStringLiteral("Notizen"), "TabSheet3");
    TntMemo1 = MakeMemo(notes, 8, 16, 609, 257);
}

void TArbeiterForm::Load(const TDocument& doc, TOutlineNode* node)
{
    EditedNode = node;
    EditedIndex = RecordIndex(node);
    TArbeiterRec& rec = doc.ArbeiterAt(EditedIndex);
    LoadFieldGrid(TntStringGrid1, doc.ArbeiterFieldLabels, rec);
    TntEdit1->setText(node->text(0));
    TntEdit2->setText(TextOf(rec.EMail));
    RxSpinEdit1->SetValue(rec.CostPerHour);
    RxSpinEdit2->SetValue(rec.CostPerUse);
    RxSpinEdit3->SetValue(rec.Members);
    LoadMemo(TntMemo1, rec.Notes);
}

void TArbeiterForm::Store(TDocument& doc)
{
    TArbeiterRec& rec = doc.ArbeiterAt(EditedIndex);
    EditedNode->setText(0, TntEdit1->text());
    ReplaceText(rec.Name, EditedNode->text(0));
    ReplaceText(rec.EMail, TntEdit2->text());
    rec.CostPerHour = RxSpinEdit1->Value();
    rec.CostPerUse = RxSpinEdit2->Value();
    rec.Members = RxSpinEdit3->Value();
    StoreFieldGrid(TntStringGrid1, doc.ArbeiterFieldLabels, rec);
    StoreMemo(TntMemo1, rec.Notes);
}
