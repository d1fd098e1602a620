#include "Document.h"

#include "Outline.h"

void CreateModel(TDocument& doc, uint32_t seed)
{
    doc.Random.seed(seed);
    SetDefaultLabels(doc.VorgangFieldLabels);
    SetDefaultLabels(doc.ArbeiterFieldLabels);
    doc.VorgangStore = std::make_unique<TDynaArray>(sizeof(TVorgangRec), doc.CurVorgang.Var());
    doc.ArbeiterStore = std::make_unique<TDynaArray>(sizeof(TArbeiterRec), doc.CurArbeiter.Var());
}

void DestroyModel(TDocument& doc)
{
    if (doc.Vorgangs)
        ClearOutline(doc, TOutlineKind::Vorgang);
    if (doc.Arbeiter)
        ClearOutline(doc, TOutlineKind::Arbeiter);
    doc.VorgangStore.reset();
    doc.ArbeiterStore.reset();
    FreeLabels(doc.VorgangFieldLabels);
    FreeLabels(doc.ArbeiterFieldLabels);
    doc.ScheduleScratch.reset();
}
