#include "TestProject.h"

#include "Outline.h"

void BindTestDocument(TDocument& doc, TOutlineTree& vorgangs, TOutlineTree& arbeiter, uint32_t seed,
                      bool track)
{
    doc.Vorgangs = &vorgangs;
    doc.Arbeiter = &arbeiter;
    if (track) {
        TrackExpansion(&vorgangs);
        TrackExpansion(&arbeiter);
    }
    CreateModel(doc, seed);
}
