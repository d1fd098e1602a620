#include "Document.h"

#include "Outline.h"
#include "Undo.h"

void NoteWritten(TDocument& doc, uint32_t index)
{
    if (!doc.WrittenKnown)
        return;
    // Past one entry per task, comparing every task is the quicker way.
    if (doc.Written.size() >= doc.VorgangStore->Count) {
        doc.Written.clear();
        doc.WrittenKnown = false;
        return;
    }
    doc.Written.push_back(index);
}

void CreateModel(TDocument& doc, uint32_t seed)
{
    doc.Random.seed(seed);
    SetDefaultLabels(doc.VorgangFieldLabels);
    SetDefaultLabels(doc.ArbeiterFieldLabels);
    doc.VorgangIdFloor = 0;
    doc.ArbeiterIdFloor = 0;
    ++doc.Generation;
    // On a 64-bit build the text and list references make the records larger than
    // their 144- and 104-byte file images, so the first blocks hold 100 records of
    // sizeof bytes each (16 000 and 13 600 bytes); the file images stay exact.
    doc.VorgangStore = std::make_unique<TDynaArray>(sizeof(TVorgangRec), doc.CurVorgang.Var());
    doc.ArbeiterStore = std::make_unique<TDynaArray>(sizeof(TArbeiterRec), doc.CurArbeiter.Var());
}

void DestroyModel(TDocument& doc)
{
    ForgetHistory(doc);
    if (doc.Vorgangs)
        ClearOutline(doc, TOutlineKind::Vorgang);
    if (doc.Arbeiter)
        ClearOutline(doc, TOutlineKind::Arbeiter);
    doc.VorgangStore.reset();
    doc.ArbeiterStore.reset();
    FreeLabels(doc.VorgangFieldLabels);
    FreeLabels(doc.ArbeiterFieldLabels);
    doc.ScheduleScratch.reset();
    doc.Written.clear();
    doc.WrittenKnown = false;
    ++doc.Generation;
}
