#include "Outline.h"

#include "Clock.h"
#include "Texts.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

TOutlineTree* OutlineOf(const TDocument& doc, TOutlineKind kind)
{
    return kind == TOutlineKind::Vorgang ? doc.Vorgangs : doc.Arbeiter;
}

void SetExpanded(TOutlineNode* node, bool expanded)
{
    TOutlineTree* outline = node->treeWidget();
    if (auto* view = dynamic_cast<TExpansionView*>(outline)) {
        view->ShowExpanded(node, expanded);
        return;
    }
    node->setExpanded(expanded);
    node->Expanded = expanded && outline;
}

void TrackExpansion(TOutlineTree* outline)
{
    QObject::connect(outline, &TOutlineTree::itemExpanded, outline,
                     [](TOutlineNode* node) { node->Expanded = true; });
    QObject::connect(outline, &TOutlineTree::itemCollapsed, outline,
                     [](TOutlineNode* node) { node->Expanded = false; });
}

TVorgangRec& VorgangOf(const TDocument& doc, const TOutlineNode* node)
{
    return doc.VorgangAt(RecordIndex(node));
}

TArbeiterRec& ArbeiterOf(const TDocument& doc, const TOutlineNode* node)
{
    return doc.ArbeiterAt(RecordIndex(node));
}

namespace {

std::vector<TOutlineNode*>*& PendingOf(TDocument& doc, TOutlineKind kind)
{
    return doc.PendingTop[kind == TOutlineKind::Vorgang ? 0 : 1];
}

TOutlineNode* Attach(TDocument& doc, TOutlineKind kind, TOutlineNode* parent, TOutlineNode* node)
{
    if (parent)
        parent->addChild(node);
    else if (std::vector<TOutlineNode*>* pending = PendingOf(doc, kind))
        pending->push_back(node);
    else
        OutlineOf(doc, kind)->addTopLevelItem(node);
    return node;
}

TOutlineNode* AddNode(TDocument& doc, TOutlineKind kind, TOutlineNode* parent, const QString& caption)
{
    return Attach(doc, kind, parent, new TOutlineNode(caption));
}

TOutlineNode* ParentFor(TOutlineNode* node, bool asChild)
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
TOutlineNode* AddBound(TDocument& doc, TOutlineKind kind, TDynaArray& store, TOutlineNode* parent,
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

TOutlineNode* AddVorgang(TDocument& doc, TOutlineNode* parent)
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

TOutlineNode* AddArbeiter(TDocument& doc, TOutlineNode* parent)
{
    const int32_t id = TakeId(doc.ArbeiterIdFloor, doc.ArbeiterStore->Count);
    std::uniform_int_distribution<int> letter(0, 25);
    const QString caption = QStringLiteral("Neuer Arbeiter") + QChar(u'a' + letter(doc.Random));
    return AddBound<TArbeiterRec>(
        doc, TOutlineKind::Arbeiter, *doc.ArbeiterStore, parent, caption,
        [&](TArbeiterRec& rec) { rec.Id = id; }, ReleaseArbeiter);
}

} // namespace

TOutlineNode* AddLoadedVorgang(TDocument& doc, TOutlineNode* parent)
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

TOutlineNode* InsertNode(TDocument& doc, TOutlineKind kind, TOutlineNode* node, bool asChild)
{
    WaitForBackgroundWork(doc);
    TOutlineNode* parent = ParentFor(node, asChild);
    return kind == TOutlineKind::Vorgang ? AddVorgang(doc, parent) : AddArbeiter(doc, parent);
}

TOutlineNode* VorgEinf(TDocument& doc, TOutlineNode* node)
{
    return InsertNode(doc, TOutlineKind::Vorgang, node, false);
}

TOutlineNode* VorgEinfChild(TDocument& doc, TOutlineNode* node)
{
    return InsertNode(doc, TOutlineKind::Vorgang, node, true);
}

TOutlineNode* ArbEinf(TDocument& doc, TOutlineNode* node)
{
    return InsertNode(doc, TOutlineKind::Arbeiter, node, false);
}

TOutlineNode* ArbEinfChild(TDocument& doc, TOutlineNode* node)
{
    return InsertNode(doc, TOutlineKind::Arbeiter, node, true);
}

void VorgangsDeletion(TDocument& doc, TOutlineNode* node)
{
    ReleaseVorgang(VorgangOf(doc, node));
}

void ArbeiterDeletion(TDocument& doc, TOutlineNode* node)
{
    ReleaseArbeiter(ArbeiterOf(doc, node));
}

namespace {

void RunDeletionHandling(TDocument& doc, TOutlineKind kind, TOutlineNode* node)
{
    for (int i = 0; i < node->childCount(); ++i)
        RunDeletionHandling(doc, kind, node->child(i));
    if (kind == TOutlineKind::Vorgang)
        VorgangsDeletion(doc, node);
    else
        ArbeiterDeletion(doc, node);
}

} // namespace

void RemoveNode(TDocument& doc, TOutlineKind kind, TOutlineNode* node)
{
    WaitForBackgroundWork(doc);
    RunDeletionHandling(doc, kind, node);
    if (std::vector<TOutlineNode*>* pending = PendingOf(doc, kind))
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
    TOutlineTree* outline = OutlineOf(Doc, Kind);
    outline->addTopLevelItems(Pending);
}

void ClearOutline(TDocument& doc, TOutlineKind kind)
{
    StopBackgroundWork(doc);
    TOutlineTree* outline = OutlineOf(doc, kind);
    for (int i = 0; i < outline->topLevelItemCount(); ++i)
        RunDeletionHandling(doc, kind, outline->topLevelItem(i));
    outline->clear();
}
