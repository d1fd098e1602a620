#include "Outline.h"

#include "Clock.h"
#include "Texts.h"

#include <QTreeWidget>
#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

QTreeWidget* OutlineOf(const TDocument& doc, TOutlineKind kind)
{
    return kind == TOutlineKind::Vorgang ? doc.Vorgangs : doc.Arbeiter;
}

namespace {

bool IsLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace

void* TNodeCaption::Block() const
{
    void* block = nullptr;
    std::memcpy(&block, Bytes, sizeof block);
    return block;
}

qsizetype TNodeCaption::Length() const
{
    qsizetype length = 0;
    std::memcpy(&length, Bytes + sizeof(void*), sizeof length);
    return length;
}

void TNodeCaption::Release()
{
    if (Kind() == LongLatin1)
        delete[] static_cast<char*>(Block());
    else if (Kind() == LongWide)
        delete[] static_cast<char16_t*>(Block());
}

QString TNodeCaption::Text() const
{
    switch (Kind()) {
    case LongLatin1:
        return QString::fromLatin1(static_cast<const char*>(Block()), Length());
    case LongWide:
        return QString(static_cast<const QChar*>(Block()), Length());
    default:
        return QString::fromLatin1(Bytes, Kind());
    }
}

bool TNodeCaption::Equals(QStringView text) const
{
    switch (Kind()) {
    case LongLatin1:
        return text == QLatin1StringView(static_cast<const char*>(Block()), Length());
    case LongWide:
        return text == QStringView(static_cast<const QChar*>(Block()), Length());
    default:
        return text == QLatin1StringView(Bytes, Kind());
    }
}

void TNodeCaption::Assign(QStringView text)
{
    const qsizetype length = text.size();
    const bool latin1 = IsLatin1(text);
    const bool inPlace = latin1 && length <= ShortMax;
    const char16_t* from = reinterpret_cast<const char16_t*>(text.utf16());
    char fresh[sizeof Bytes] = {};
    void* block = nullptr;
    if (latin1) {
        char* to = inPlace ? fresh : new char[std::size_t(length)];
        std::transform(from, from + length, to, [](char16_t c) { return char(c); });
        block = to;
    } else {
        block = std::copy_n(from, length, new char16_t[std::size_t(length)]) - length;
    }
    if (inPlace) {
        fresh[ShortMax] = char(length);
    } else {
        std::memcpy(fresh, &block, sizeof block);
        std::memcpy(fresh + sizeof block, &length, sizeof length);
        fresh[ShortMax] = char(latin1 ? LongLatin1 : LongWide);
    }
    Release();
    std::memcpy(Bytes, fresh, sizeof Bytes);
}

TOutlineNode::TOutlineNode(const QString& caption) : QTreeWidgetItem(Type), Caption(caption)
{
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
}

TOutlineNode::TOutlineNode() : QTreeWidgetItem(Type)
{
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
}

TOutlineNode::~TOutlineNode()
{
    if (QTreeWidgetItem* up = parent())
        up->removeChild(this);
    else if (QTreeWidget* outline = treeWidget())
        outline->takeTopLevelItem(outline->indexOfTopLevelItem(this));
}

namespace {

bool IsCaption(int column, int role)
{
    return column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole);
}

} // namespace

QVariant TOutlineNode::data(int column, int role) const
{
    return IsCaption(column, role) ? QVariant(Caption.Text()) : QTreeWidgetItem::data(column, role);
}

// As the item's own: an unchanged caption tells nobody, a changed one the outline.
void TOutlineNode::setData(int column, int role, const QVariant& value)
{
    if (!IsCaption(column, role)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    SetCaption(value.toString());
}

void TOutlineNode::SetCaption(QStringView caption)
{
    if (Caption.Equals(caption))
        return;
    Caption.Assign(caption);
    emitDataChanged();
}

void SetExpanded(QTreeWidgetItem* node, bool expanded)
{
    auto* own = static_cast<TOutlineNode*>(node);
    QTreeWidget* outline = node->treeWidget();
    if (auto* view = dynamic_cast<TExpansionView*>(outline)) {
        view->ShowExpanded(own, expanded);
        return;
    }
    node->setExpanded(expanded);
    own->Expanded = expanded && outline;
}

void TrackExpansion(QTreeWidget* outline)
{
    QObject::connect(outline, &QTreeWidget::itemExpanded, outline,
                     [](QTreeWidgetItem* node) { static_cast<TOutlineNode*>(node)->Expanded = true; });
    QObject::connect(outline, &QTreeWidget::itemCollapsed, outline,
                     [](QTreeWidgetItem* node) { static_cast<TOutlineNode*>(node)->Expanded = false; });
}

TVorgangRec& VorgangOf(const TDocument& doc, const QTreeWidgetItem* node)
{
    return doc.VorgangAt(RecordIndex(node));
}

TArbeiterRec& ArbeiterOf(const TDocument& doc, const QTreeWidgetItem* node)
{
    return doc.ArbeiterAt(RecordIndex(node));
}

namespace {

std::vector<QTreeWidgetItem*>*& PendingOf(TDocument& doc, TOutlineKind kind)
{
    return doc.PendingTop[kind == TOutlineKind::Vorgang ? 0 : 1];
}

TOutlineNode* Attach(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* parent, TOutlineNode* node)
{
    if (parent)
        parent->addChild(node);
    else if (std::vector<QTreeWidgetItem*>* pending = PendingOf(doc, kind))
        pending->push_back(node);
    else
        OutlineOf(doc, kind)->addTopLevelItem(node);
    return node;
}

TOutlineNode* AddNode(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* parent, const QString& caption)
{
    return Attach(doc, kind, parent, new TOutlineNode(caption));
}

QTreeWidgetItem* ParentFor(QTreeWidgetItem* node, bool asChild)
{
    if (!node)
        return nullptr;
    return asChild ? node : node->parent();
}

// The Id of the record about to be appended to a store of count records. Fails
// before anything is added when a damaged file has used up the Ids.
int32_t TakeId(int64_t& floor, uint32_t count)
{
    const int64_t id = std::max<int64_t>(floor, count);
    if (id > std::numeric_limits<int32_t>::max())
        throw std::runtime_error("Es ist keine neue Kennung mehr frei");
    floor = id + 1;
    return int32_t(id);
}

// The record comes before its node: when the store cannot grow, no node is left
// bound to a record that does not exist. When anything after the append fails, the
// record is released as a removed node's record would be.
template <typename TRec, typename TFill, typename TRelease>
QTreeWidgetItem* AddBound(TDocument& doc, TOutlineKind kind, TDynaArray& store, QTreeWidgetItem* parent,
                          const QString& caption, TFill fill, TRelease release)
{
    store.Append();
    const uint32_t index = uint32_t(store.CurrentIndex);
    auto record = [&]() -> TRec& { return *static_cast<TRec*>(store.At(index)); };
    try {
        fill(record());
        WideCopy(record().Name, caption);
        TOutlineNode* node = AddNode(doc, kind, parent, caption);
        node->StoreIndex = index;
        return node;
    } catch (...) {
        release(record());
        throw;
    }
}

QTreeWidgetItem* AddVorgang(TDocument& doc, QTreeWidgetItem* parent)
{
    const int32_t id = TakeId(doc.VorgangIdFloor, doc.VorgangStore->Count);
    return AddBound<TVorgangRec>(
        doc, TOutlineKind::Vorgang, *doc.VorgangStore, parent, QStringLiteral("Neuer Vorgang"),
        [&](TVorgangRec& rec) {
            rec.Id = id;
            rec.Beginn = Now();
            rec.Ende = Now();
            rec.Resources = new TDynaArray(sizeof(int32_t), doc.CurResId.Var());
        },
        ReleaseVorgang);
}

QTreeWidgetItem* AddArbeiter(TDocument& doc, QTreeWidgetItem* parent)
{
    const int32_t id = TakeId(doc.ArbeiterIdFloor, doc.ArbeiterStore->Count);
    std::uniform_int_distribution<int> letter(0, 25);
    const QString caption = QStringLiteral("Neuer Arbeiter") + QChar(u'a' + letter(doc.Random));
    return AddBound<TArbeiterRec>(
        doc, TOutlineKind::Arbeiter, *doc.ArbeiterStore, parent, caption,
        [&](TArbeiterRec& rec) { rec.Id = id; }, ReleaseArbeiter);
}

} // namespace

QTreeWidgetItem* AddLoadedVorgang(TDocument& doc, QTreeWidgetItem* parent)
{
    const int32_t id = TakeId(doc.VorgangIdFloor, doc.VorgangStore->Count);
    TDynaArray& store = *doc.VorgangStore;
    store.Append();
    const uint32_t index = uint32_t(store.CurrentIndex);
    static_cast<TVorgangRec*>(store.At(index))->Id = id;
    try {
        TOutlineNode* node = Attach(doc, TOutlineKind::Vorgang, parent, new TOutlineNode());
        node->StoreIndex = index;
        return node;
    } catch (...) {
        ReleaseVorgang(*static_cast<TVorgangRec*>(store.At(index)));
        throw;
    }
}

QTreeWidgetItem* InsertNode(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node, bool asChild)
{
    WaitForBackgroundWork(doc);
    QTreeWidgetItem* parent = ParentFor(node, asChild);
    return kind == TOutlineKind::Vorgang ? AddVorgang(doc, parent) : AddArbeiter(doc, parent);
}

QTreeWidgetItem* VorgEinf(TDocument& doc, QTreeWidgetItem* node)
{
    return InsertNode(doc, TOutlineKind::Vorgang, node, false);
}

QTreeWidgetItem* VorgEinfChild(TDocument& doc, QTreeWidgetItem* node)
{
    return InsertNode(doc, TOutlineKind::Vorgang, node, true);
}

QTreeWidgetItem* ArbEinf(TDocument& doc, QTreeWidgetItem* node)
{
    return InsertNode(doc, TOutlineKind::Arbeiter, node, false);
}

QTreeWidgetItem* ArbEinfChild(TDocument& doc, QTreeWidgetItem* node)
{
    return InsertNode(doc, TOutlineKind::Arbeiter, node, true);
}

void VorgangsDeletion(TDocument& doc, QTreeWidgetItem* node)
{
    ReleaseVorgang(VorgangOf(doc, node));
}

void ArbeiterDeletion(TDocument& doc, QTreeWidgetItem* node)
{
    ReleaseArbeiter(ArbeiterOf(doc, node));
}

namespace {

void RunDeletionHandling(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node)
{
    for (int i = 0; i < node->childCount(); ++i)
        RunDeletionHandling(doc, kind, node->child(i));
    if (kind == TOutlineKind::Vorgang)
        VorgangsDeletion(doc, node);
    else
        ArbeiterDeletion(doc, node);
}

} // namespace

void RemoveNode(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node)
{
    WaitForBackgroundWork(doc);
    RunDeletionHandling(doc, kind, node);
    if (std::vector<QTreeWidgetItem*>* pending = PendingOf(doc, kind))
        std::erase(*pending, node);
    delete node;
}

TBulkTopLevel::TBulkTopLevel(TDocument& doc, TOutlineKind kind) : Doc(doc), Kind(kind)
{
    PendingOf(Doc, Kind) = &Pending;
}

TBulkTopLevel::~TBulkTopLevel()
{
    PendingOf(Doc, Kind) = nullptr;
    QTreeWidget* outline = OutlineOf(Doc, Kind);
    outline->addTopLevelItems(QList<QTreeWidgetItem*>(Pending.begin(), Pending.end()));
}

void ClearOutline(TDocument& doc, TOutlineKind kind)
{
    StopBackgroundWork(doc);
    QTreeWidget* outline = OutlineOf(doc, kind);
    for (int i = 0; i < outline->topLevelItemCount(); ++i)
        RunDeletionHandling(doc, kind, outline->topLevelItem(i));
    outline->clear();
}
