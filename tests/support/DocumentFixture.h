#pragma once

#include "Document.h"
#include "Outline.h"
#include "TestProject.h"

#include <QTreeWidget>
#include <gtest/gtest.h>

// A document on two real outline widgets, created and destroyed around each test.
class DocumentFixture : public virtual testing::Test
{
protected:
    QTreeWidget Vorgangs;
    QTreeWidget Arbeiter;
    TDocument Doc;

    void SetUp() override { BindTestDocument(Doc, Vorgangs, Arbeiter, 1234); }
    void TearDown() override { DestroyModel(Doc); }
};
