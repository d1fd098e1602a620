#pragma once

#include "Document.h"
#include "Outline.h"

#include <QTreeWidget>
#include <gtest/gtest.h>

// A document on two real outline widgets, created and destroyed around each test.
class DocumentFixture : public virtual testing::Test
{
protected:
    QTreeWidget Vorgangs;
    QTreeWidget Arbeiter;
    TDocument Doc;

    void SetUp() override
    {
        Doc.Vorgangs = &Vorgangs;
        Doc.Arbeiter = &Arbeiter;
        TrackExpansion(&Vorgangs);
        TrackExpansion(&Arbeiter);
        CreateModel(Doc, 1234);
    }
    void TearDown() override { DestroyModel(Doc); }
};
