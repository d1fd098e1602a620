#include "VorgangFUnit.h"

#include "DatePickers.h"
#include "Outline.h"
#include "SpinEdits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <cmath>

namespace {

constexpr int NodeIndexRole = Qt::UserRole;

// Copies the resource outline's nodes below from into to, each copy with a check
// box and the store index of its resource.
void CopyResourceNodes(const TOutlineNode* from, QTreeWidgetItem* to)
{
    for (int i = 0; i < from->childCount(); ++i) {
        const TOutlineNode* node = from->child(i);
        auto* copy = new QTreeWidgetItem(to, {node->text(0)});
        copy->setData(0, NodeIndexRole, RecordIndex(node));
        copy->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        CopyResourceNodes(node, copy);
    }
}

bool Assigned(const TVorgangRec& rec, int32_t id)
{
    if (!rec.Resources)
        return false;
    for (uint32_t i = 0; i < rec.Resources->Count; ++i)
        if (*static_cast<const int32_t*>(rec.Resources->At(i)) == id)
            return true;
    return false;
}

template <typename Visit> void ForEachNode(QTreeWidget* tree, Visit visit)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        PreOrder(tree->topLevelItem(i), visit);
}

} // namespace

void TVorgangForm::BuildDetailsPage()
{
    QWidget* details = AddPage(QStringLiteral("Details"), "TabSheet1");
    QLabel* nameLabel = Caption(details, QStringLiteral("Bezeichnung/Name:"), 8, 16);
    Caption(details, QStringLiteral("Beginn:"), 8, 48);
    Caption(details, QStringLiteral("Ende:"), 8, 72);
    Caption(details, QStringLiteral("Dauer:"), 8, 96);
    QLabel* link = Caption(details, QStringLiteral("Beginn wenn anderer Vorgang beendet ist:"), 8, 128);
    QLabel* days = Caption(details, QStringLiteral("Tage"), 200, 96);
    QLabel* hours = Caption(details, QStringLiteral("Stunden"), 312, 96);
    QLabel* minutes = Caption(details, QStringLiteral("Minuten"), 440, 96);

    TntEdit1 = new QLineEdit(details);
    TntEdit1->setObjectName(QStringLiteral("TntEdit1"));
    TntEdit1->setGeometry(128, 16, 489, TntEdit1->sizeHint().height());
    LabelField(nameLabel, TntEdit1);
    DateTimePicker2 = MakeDatePicker(details, "DateTimePicker2", 128, 48, 113);
    DateTimePicker1 = MakeTimePicker(details, "DateTimePicker1", 248, 48, 105);
    DateTimePicker3 = MakeDatePicker(details, "DateTimePicker3", 128, 72, 113);
    DateTimePicker4 = MakeTimePicker(details, "DateTimePicker4", 248, 72, 105);
    DateTimePicker2->setAccessibleName(QStringLiteral("Beginn (Datum)"));
    DateTimePicker1->setAccessibleName(QStringLiteral("Beginn (Uhrzeit)"));
    DateTimePicker3->setAccessibleName(QStringLiteral("Ende (Datum)"));
    DateTimePicker4->setAccessibleName(QStringLiteral("Ende (Uhrzeit)"));
    auto durationField = [details](const char* name, int x, QLabel* unit) {
        auto* field = new TWholeSpinEdit(details);
        field->setObjectName(QLatin1String(name));
        field->setGeometry(x, 96, 65, field->sizeHint().height());
        LabelField(unit, field, QStringLiteral("Dauer: ") + unit->text());
        return field;
    };
    DaysEd = durationField("DaysEd", 128, days);
    HoursEd = durationField("HoursEd", 240, hours);
    MinEd = durationField("MinEd", 368, minutes);

    LinkEd = new QComboBox(details);
    LinkEd->setObjectName(QStringLiteral("LinkEd"));
    LinkEd->setEditable(false);
    LinkEd->setGeometry(128, 152, 497, LinkEd->sizeHint().height());
    LabelField(link, LinkEd);
    auto* bitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_DialogResetButton),
                                    QStringLiteral("Link lösen"), details);
    bitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    bitBtn3->setGeometry(128, 176, 113, 25);
    bitBtn3->setAutoDefault(false);
    connect(bitBtn3, &QPushButton::clicked, this, &TVorgangForm::BitBtn3Click);
    ChainFields({TntEdit1, DateTimePicker2, DateTimePicker1, DateTimePicker3, DateTimePicker4, DaysEd,
                 HoursEd, MinEd, LinkEd, bitBtn3});
}

void TVorgangForm::BuildOtherPages()
{
    QWidget* resources = AddPage(QStringLiteral("Ressourcen/Arbeiter"), "TabSheet2");
    HTMLTreeview1 = new QTreeWidget(resources);
    HTMLTreeview1->setObjectName(QStringLiteral("HTMLTreeview1"));
    HTMLTreeview1->setHeaderHidden(true);
    HTMLTreeview1->setGeometry(0, 0, 633, 291);
    HTMLTreeview1->setAccessibleName(QStringLiteral("Ressourcen/Arbeiter"));
    connect(HTMLTreeview1, &QTreeWidget::itemChanged, this, [this] { ResourcesToggled = true; });

    QWidget* progress = AddPage(QStringLiteral("Abarbeitungsstatus"), "TabSheet3");
    Pages()->setTabVisible(Pages()->indexOf(progress), false);

    QWidget* fields = AddPage(QStringLiteral("Benutzerdefinierte Felder"), "TabSheet4");
    TntStringGrid1 = MakeFieldGrid(fields);

    QWidget* costs = AddPage(QStringLiteral("Kosten/Notizen"), "TabSheet5");
    TntCheckBox1 = new QCheckBox(QStringLiteral("Arbeitszeitkosten einbeziehen"), costs);
    TntCheckBox1->setObjectName(QStringLiteral("TntCheckBox1"));
    TntCheckBox1->move(8, 16);
    TntCheckBox1->adjustSize();
    QLabel* fixedCosts = Caption(costs, QStringLiteral("Feste Kosten:"), 336, 16);
    RxSpinEdit4 = new TDecimalSpinEdit(costs);
    RxSpinEdit4->setObjectName(QStringLiteral("RxSpinEdit4"));
    RxSpinEdit4->setGeometry(416, 16, 121, RxSpinEdit4->sizeHint().height());
    LabelField(fixedCosts, RxSpinEdit4);
    TntMemo1 = MakeMemo(costs, 8, 48, 609, 225);
    ChainFields({TntCheckBox1, RxSpinEdit4, TntMemo1});
}

TVorgangForm::TVorgangForm(QWidget* parent)
    : TEditorDialog(parent, "VorgangForm", QStringLiteral("Vorgang bearbeiten"))
{
    BuildDetailsPage();
    BuildOtherPages();
    connect(DateTimePicker2, &QDateEdit::dateChanged, this, &TVorgangForm::DateTimePicker2Change);
    connect(DateTimePicker1, &QTimeEdit::timeChanged, this, &TVorgangForm::DateTimePicker1Change);
    connect(DateTimePicker3, &QDateEdit::dateChanged, this, &TVorgangForm::DateTimePicker3Change);
    connect(DateTimePicker4, &QTimeEdit::timeChanged, this, &TVorgangForm::DateTimePicker4Change);
    connect(DaysEd, &TTextSpinEdit::TextChanged, this, &TVorgangForm::DaysEdChange);
    connect(HoursEd, &TTextSpinEdit::TextChanged, this, &TVorgangForm::HoursEdChange);
    connect(MinEd, &TTextSpinEdit::TextChanged, this, &TVorgangForm::MinEdChange);
}

void TVorgangForm::Load(const TDocument& doc, TOutlineNode* node)
{
    EditedNode = node;
    EditedIndex = RecordIndex(node);
    const TVorgangRec& rec = doc.VorgangAt(EditedIndex);
    LoadFieldGrid(TntStringGrid1, doc.VorgangFieldLabels, doc.VorgangAt(EditedIndex));
    FillResourceTree(doc, rec);
    TntEdit1->setText(node->text(0));
    SetPickedDay(DateTimePicker2, WholeDay(rec.Beginn));
    SetPickedDay(DateTimePicker3, WholeDay(rec.Ende));
    SetPickedTime(DateTimePicker1, rec.Beginn + 1000);
    SetPickedTime(DateTimePicker4, rec.Ende + 1000);
    TntCheckBox1->setChecked(rec.IncludeWorkCosts != 0);
    RxSpinEdit4->SetValue(rec.FixedCosts);
    LoadMemo(TntMemo1, rec.Notes);
    FillPredecessors(doc, rec);
}

void TVorgangForm::Store(TDocument& doc)
{
    TVorgangRec& rec = doc.VorgangAt(EditedIndex);
    EditedNode->setText(0, TntEdit1->text());
    ReplaceText(rec.Name, EditedNode->text(0));
    rec.Beginn = PickedStart();
    rec.Ende = PickedEnd();
    StoreResources(doc, rec);
    rec.Link = PickedLink();
    StoreFieldGrid(TntStringGrid1, doc.VorgangFieldLabels, rec);
    rec.IncludeWorkCosts = TntCheckBox1->isChecked() ? 1 : 0;
    rec.FixedCosts = RxSpinEdit4->Value();
    StoreMemo(TntMemo1, rec.Notes);
}

void TVorgangForm::showEvent(QShowEvent* event)
{
    TEditorDialog::showEvent(event);
    FormShow();
}

void TVorgangForm::FormShow()
{
    DateTimePicker2Change();
}

TDateTime TVorgangForm::PickedStart() const
{
    return PickedDay(DateTimePicker2) + PickedTimeOfDay(DateTimePicker1);
}

TDateTime TVorgangForm::PickedEnd() const
{
    return PickedDay(DateTimePicker3) + PickedTimeOfDay(DateTimePicker4);
}

// The duration fields show end minus start; each field whose text changes moves
// the end at once (DaysEdChange), before the next field is set.
void TVorgangForm::DateTimePicker2Change()
{
    double d = PickedEnd() - PickedStart();
    if (!(d >= 0))
        d = 0;
    const double days = std::trunc(d);
    const auto ms = int64_t(std::llround(d * 86400000.0) % 86400000);
    DaysEd->SetValue(int64_t(days));
    HoursEd->SetValue(ms / 3600000);
    MinEd->SetValue((ms / 60000) % 60);
}

void TVorgangForm::DateTimePicker1Change()
{
    DateTimePicker2Change();
}

void TVorgangForm::DateTimePicker3Change()
{
    DateTimePicker2Change();
}

void TVorgangForm::DateTimePicker4Change()
{
    DateTimePicker2Change();
}

// The end pickers follow start plus the duration fields; hours or minutes out
// of range leave them alone.
void TVorgangForm::DaysEdChange()
{
    const int32_t hours = HoursEd->Value();
    const int32_t minutes = MinEd->Value();
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return;
    const TDateTime end = DaysEd->Value() + PickedStart() + (hours * 60 + minutes) / 1440.0;
    if (SetPickedDay(DateTimePicker3, WholeDay(end)))
        SetPickedTime(DateTimePicker4, end + 1000);
}

void TVorgangForm::HoursEdChange()
{
    DaysEdChange();
}

void TVorgangForm::MinEdChange()
{
    DaysEdChange();
}

void TVorgangForm::BitBtn3Click()
{
    LinkEd->setCurrentIndex(-1);
}

// Every other live task in store order; the predecessor (Link = its Id + 1) selected.
void TVorgangForm::FillPredecessors(const TDocument& doc, const TVorgangRec& rec)
{
    LinkEd->clear();
    ListedIds.clear();
    int selected = -1;
    for (uint32_t i = 0; i < doc.VorgangStore->Count; ++i) {
        const TVorgangRec& other = doc.VorgangAt(i);
        if (other.Deleted || other.Id == rec.Id)
            continue;
        LinkEd->addItem(TextOf(other.Name));
        ListedIds.push_back(other.Id);
        if (int64_t(rec.Link) == int64_t(other.Id) + 1)
            selected = LinkEd->count() - 1;
    }
    LinkEd->setCurrentIndex(selected);
}

// The document cannot change while the editor is open, so the list still names
// the tasks it was filled with.
int32_t TVorgangForm::PickedLink() const
{
    const int picked = LinkEd->currentIndex();
    return picked >= 0 && std::size_t(picked) < ListedIds.size() ? ListedIds[std::size_t(picked)] + 1 : 0;
}

void TVorgangForm::FillResourceTree(const TDocument& doc, const TVorgangRec& rec)
{
    HTMLTreeview1->clear();
    CopyResourceNodes(doc.Arbeiter->invisibleRootItem(), HTMLTreeview1->invisibleRootItem());
    auto mark = [&](QTreeWidgetItem* copy) {
        const int32_t id = doc.ArbeiterAt(copy->data(0, NodeIndexRole).toUInt()).Id;
        copy->setCheckState(0, Assigned(rec, id) ? Qt::Checked : Qt::Unchecked);
    };
    ForEachNode(HTMLTreeview1, mark);
    LoadedChecked = CheckedIds(doc);
    ResourcesToggled = false;
}

std::vector<int32_t> TVorgangForm::CheckedIds(const TDocument& doc) const
{
    std::vector<int32_t> ids;
    auto take = [&](QTreeWidgetItem* copy) {
        if (copy->checkState(0) == Qt::Checked)
            ids.push_back(doc.ArbeiterAt(copy->data(0, NodeIndexRole).toUInt()).Id);
    };
    ForEachNode(HTMLTreeview1, take);
    return ids;
}

void TVorgangForm::StoreResources(const TDocument& doc, TVorgangRec& rec)
{
    // Without a click in the list, its checked resources are those it was filled
    // with: a list of every resource need not be read again.
    const std::vector<int32_t> ids = ResourcesToggled ? CheckedIds(doc) : LoadedChecked;
    rec.Resources->Clear();
    for (int32_t id : ids)
        *static_cast<int32_t*>(rec.Resources->Append()) = id;
}
