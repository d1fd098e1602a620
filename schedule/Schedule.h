#pragma once

#include "Document.h"

#include <cstdint>

// Roll-up seeds of a summary task: 1 January 9999 and 1 January 0001.
constexpr TDateTime StartSeed = 2958101.0;
constexpr TDateTime EndSeed = -693593.0;

// What one recalculation did, for tests that bound the work.
struct TRecalcStats
{
    uint64_t Steps = 0;        // nodes, links and edges visited, all phases together
    uint32_t LinksRemoved = 0; // links cleared because they could not be honoured
};

// Recalculates the schedule from the task outline and VorgangStore: binds every
// record to its node, marks summary tasks, removes links that cannot be honoured
// (links of summary tasks, to deleted or unknown tasks, link cycles, and links
// that would make a task wait for its own end through a summary task), pins each
// linked task to its predecessor's end keeping its duration, and makes every
// summary task span exactly its descendants. Leaves the store's cursor alone.
TRecalcStats Recalculate(TDocument& doc);

// After a file was read, which leaves its dates as they were stored, or a step was
// undone or done again, which puts back dates without recalculating: brings the
// binding to the task outline up to date here and checks whether a recalculation
// would change any record, writing none. A step the quick recalculation takes in is
// checked here at once; anything else on a thread of its own. When nothing would
// change, the next change recalculates only what it reaches. Anything that is about to
// change the document waits for the check first (WaitForBackgroundWork), or stops it
// (StopBackgroundWork) where it would gain nothing by it.
void PrepareRecalculation(TDocument& doc);

inline void RenderEveryThing(TDocument& doc)
{
    Recalculate(doc);
}
