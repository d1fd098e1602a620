#include "ArbeiterFUnit.h"
#include "Outline.h"
#include "TestProject.h"
#include "VorgangFUnit.h"

#include <QAccessible>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Every field on a page (all but the captions) has a name, and Tab reaches them top to bottom.
void ExpectNamedInTabOrder(const TEditorDialog& form)
{
    for (int i = 0; i < form.Pages()->count(); ++i) {
        std::vector<QWidget*> fields, tabbed;
        for (QWidget* w : form.Pages()->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!qobject_cast<QLabel*>(w))
                fields.push_back(w);
        std::ranges::sort(fields, {}, [](const QWidget* w) { return std::pair(w->y(), w->x()); });
        for (QWidget* w = fields.empty() ? nullptr : fields[0]; tabbed.size() < fields.size();
             w = w->nextInFocusChain())
            if (std::ranges::count(fields, w) && !std::ranges::count(tabbed, w))
                tabbed.push_back(w);
        EXPECT_EQ(tabbed, fields) << "page " << i;
        for (QWidget* w : fields)
            EXPECT_NE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), QString())
                << w->objectName().toStdString();
    }
}

TEST(EditorAccessibility, FieldsAreNamedAndTabGoesTopToBottom)
{
    ExpectNamedInTabOrder(TVorgangForm(nullptr));
    ExpectNamedInTabOrder(TArbeiterForm(nullptr));
}

TEST(EditorAccessibility, FieldGridHeadersAreItsFixedTexts)
{
    TTestProject project;
    TVorgangForm form(nullptr);
    auto* grid = form.findChild<QTableWidget*>();
    LoadFieldGrid(grid, project.Doc.VorgangFieldLabels,
                  VorgangOf(project.Doc, VorgEinf(project.Doc, nullptr)));
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(grid)->tableInterface();
    for (int c = 0; c < grid->columnCount(); ++c)
        EXPECT_EQ(table->columnDescription(c).toStdString(), grid->item(0, c)->text().toStdString());
    for (int r = 0; r < grid->rowCount(); ++r)
        EXPECT_EQ(table->rowDescription(r).toStdString(), grid->item(r, 0)->text().toStdString());
}

} // namespace
