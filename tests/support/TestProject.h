#pragma once

#include "Document.h"
#include "OutlineTree.h"

#include <cstdint>

// Binds doc to two outlines as the main window binds its document and creates the
// model; with track, the outlines' expanded states are followed (outlines reused
// for many documents are tracked once by their owner). DestroyModel undoes it.
void BindTestDocument(TDocument& doc, TOutlineTree& vorgangs, TOutlineTree& arbeiter, uint32_t seed,
                      bool track = true);

// A document on two outlines of its own; several can live side by side.
struct TTestProject
{
    explicit TTestProject(uint32_t seed = 1234) { BindTestDocument(Doc, Vorgangs, Arbeiter, seed); }
    ~TTestProject() { DestroyModel(Doc); }
    TTestProject(const TTestProject&) = delete;
    TTestProject& operator=(const TTestProject&) = delete;

    TOutlineTree Vorgangs;
    TOutlineTree Arbeiter;
    TDocument Doc;
};
