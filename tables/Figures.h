#pragma once

#include "Document.h"

#include <unordered_map>
#include <vector>

// The figures of the task and resource tables, computed in one walk over each
// outline. Tasks and resources are indexed by store index; a summary task and a
// resource group carry the sums of their subtree.

struct TTaskFigures
{
    double Fixed = 0;  // own fixed costs, plus those of the subtree for a summary
    double Labour = 0; // the labour of the leaves below (or of the leaf itself)
    double Cost = 0;   // fixed costs and, where included, labour
};

struct TResourceFigures
{
    double Hours = 0;
    int Uses = 0; // leaf tasks that list it
    double Cost = 0;
};

struct TProjectFigures
{
    std::vector<TTaskFigures> Tasks;
    std::vector<TResourceFigures> Resources;
    TTaskFigures TaskTotal;
    TResourceFigures ResourceTotal;
    TDateTime Beginn = 0; // the span of the live tasks, when there are any
    TDateTime Ende = 0;
    bool HasSpan = false;
    // Per task: the store index of its live predecessor, or -1.
    std::vector<int64_t> Predecessor;
    // The first resource record of each Id, and each resource's place in the
    // resource outline's pre-order (-1 when it has no node).
    std::unordered_map<int32_t, uint32_t> ResourceById;
    std::vector<int64_t> ResourcePlace;
};

TProjectFigures ComputeFigures(const TDocument& doc);
