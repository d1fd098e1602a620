#include "Figures.h"

#include "Costs.h"
#include "Outline.h"

#include <algorithm>
#include <unordered_map>

namespace {

// The first record of each Id, as the lookups by Id find it.
template <typename TAt> std::unordered_map<int32_t, uint32_t> FirstOfEachId(uint32_t count, TAt at)
{
    std::unordered_map<int32_t, uint32_t> first;
    first.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        first.emplace(at(i).Id, i);
    return first;
}

// Children before their parent, without recursing: deep outlines are legal.
template <typename TVisit> void PostOrder(const TOutlineTree* outline, TVisit visit)
{
    std::vector<std::pair<TOutlineNode*, int>> pending;
    for (int i = outline->topLevelItemCount() - 1; i >= 0; --i)
        pending.emplace_back(outline->topLevelItem(i), 0);
    while (!pending.empty()) {
        auto& [node, next] = pending.back();
        if (next < node->childCount()) {
            TOutlineNode* child = node->child(next++);
            pending.emplace_back(child, 0);
            continue;
        }
        TOutlineNode* done = node;
        pending.pop_back();
        visit(done);
    }
}

void AddLeaf(const TDocument& doc, const std::unordered_map<int32_t, uint32_t>& resources,
             const TVorgangRec& rec, TTaskFigures& task, std::vector<TResourceFigures>& figures)
{
    const double hours = WorkHours(rec.Beginn, rec.Ende);
    std::vector<int32_t> ids;
    if (rec.Resources)
        for (uint32_t i = 0; i < rec.Resources->Count; ++i)
            ids.push_back(*static_cast<const int32_t*>(rec.Resources->At(i)));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (int32_t id : ids) {
        const auto found = resources.find(id);
        if (found == resources.end() || doc.ArbeiterAt(found->second).Deleted)
            continue;
        const TArbeiterRec& resource = doc.ArbeiterAt(found->second);
        const double share = LabourCost(resource, hours);
        task.Labour += share;
        TResourceFigures& r = figures[found->second];
        r.Hours += ResourceHours(resource, hours);
        r.Uses += 1;
        r.Cost += share;
    }
    task.Cost = task.Fixed + (rec.IncludeWorkCosts ? task.Labour : 0);
}

} // namespace

TProjectFigures ComputeFigures(const TDocument& doc)
{
    TProjectFigures f;
    f.Tasks.resize(doc.VorgangStore->Count);
    f.Resources.resize(doc.ArbeiterStore->Count);
    f.ResourceById = FirstOfEachId(doc.ArbeiterStore->Count,
                                   [&](uint32_t i) -> const TArbeiterRec& { return doc.ArbeiterAt(i); });
    const auto& resources = f.ResourceById;
    const auto tasks = FirstOfEachId(doc.VorgangStore->Count,
                                     [&](uint32_t i) -> const TVorgangRec& { return doc.VorgangAt(i); });
    f.Predecessor.assign(doc.VorgangStore->Count, -1);
    f.ResourcePlace.assign(doc.ArbeiterStore->Count, -1);
    int64_t place = 0;
    for (TOutlineIterator it(doc.Arbeiter); *it; ++it)
        f.ResourcePlace[RecordIndex(*it)] = place++;
    PostOrder(doc.Vorgangs, [&](TOutlineNode* node) {
        const TVorgangRec& rec = VorgangOf(doc, node);
        TTaskFigures& task = f.Tasks[RecordIndex(node)];
        if (rec.Link > 0)
            if (const auto p = tasks.find(rec.Link - 1);
                p != tasks.end() && !doc.VorgangAt(p->second).Deleted)
                f.Predecessor[RecordIndex(node)] = p->second;
        task.Fixed = Counted(rec.FixedCosts);
        task.Cost = task.Fixed;
        if (node->childCount() == 0)
            AddLeaf(doc, resources, rec, task, f.Resources);
        for (int c = 0; c < node->childCount(); ++c) {
            const TTaskFigures& child = f.Tasks[RecordIndex(node->child(c))];
            task.Fixed += child.Fixed;
            task.Labour += child.Labour;
            task.Cost += child.Cost;
        }
        if (Countable(rec.Beginn) && Countable(rec.Ende)) {
            f.Beginn = f.HasSpan ? std::min(f.Beginn, rec.Beginn) : rec.Beginn;
            f.Ende = f.HasSpan ? std::max(f.Ende, rec.Ende) : rec.Ende;
            f.HasSpan = true;
        }
    });
    for (int i = 0; i < doc.Vorgangs->topLevelItemCount(); ++i) {
        const TTaskFigures& top = f.Tasks[RecordIndex(doc.Vorgangs->topLevelItem(i))];
        f.TaskTotal.Fixed += top.Fixed;
        f.TaskTotal.Labour += top.Labour;
        f.TaskTotal.Cost += top.Cost;
    }
    PostOrder(doc.Arbeiter, [&](TOutlineNode* node) {
        TResourceFigures& group = f.Resources[RecordIndex(node)];
        for (int c = 0; c < node->childCount(); ++c) {
            const TResourceFigures& member = f.Resources[RecordIndex(node->child(c))];
            group.Hours += member.Hours;
            group.Uses += member.Uses;
            group.Cost += member.Cost;
        }
    });
    for (int i = 0; i < doc.Arbeiter->topLevelItemCount(); ++i) {
        const TResourceFigures& top = f.Resources[RecordIndex(doc.Arbeiter->topLevelItem(i))];
        f.ResourceTotal.Hours += top.Hours;
        f.ResourceTotal.Uses += top.Uses;
        f.ResourceTotal.Cost += top.Cost;
    }
    return f;
}
