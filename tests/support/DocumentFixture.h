#pragma once

#include "Document.h"
#include "Outline.h"
#include "TestProject.h"

#include <gtest/gtest.h>

// A document on two real outline widgets, created and destroyed around each test.
class DocumentFixture : public virtual testing::Test
{
protected:
    TOutlineTree Vorgangs;
    TOutlineTree Arbeiter;
    TDocument Doc;

    void SetUp() override { BindTestDocument(Doc, Vorgangs, Arbeiter, 1234); }
    void TearDown() override { DestroyModel(Doc); }
};
