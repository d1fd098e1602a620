#include "Records.h"

#include "Printers.h"
#include "Texts.h"

#include <gtest/gtest.h>

namespace {

TEST(Texts, WideCopyKeepsEveryCodeUnitAndTerminates)
{
    const QString text = QStringLiteral("Größe 𝄞 ok");
    char16_t* field = nullptr;
    WideCopy(field, text);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field[text.size()], u'\0');
    EXPECT_EQ(TextOf(field), text);
    FreeText(field);
    EXPECT_EQ(field, nullptr);
}

TEST(Texts, EmptyTextIsATerminatorNotNull)
{
    char16_t* field = nullptr;
    WideCopy(field, QString());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field[0], u'\0');
    EXPECT_TRUE(TextOf(field).isEmpty());
    FreeText(field);
    EXPECT_TRUE(TextOf(nullptr).isEmpty());
}

// Every empty text shares one terminator, which freeing must leave alone (the
// sanitizer build catches a free of it), whichever way the text came.
TEST(Texts, EmptyTextsShareOneTerminatorThatIsNeverFreed)
{
    char16_t* a = nullptr;
    char16_t* b = nullptr;
    WideCopy(a, QString());
    WideCopy(b, QStringLiteral(""));
    EXPECT_EQ(a, b);
    FreeText(a);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b[0], u'\0');
    ReplaceText(b, QStringLiteral("x"));
    EXPECT_EQ(TextOf(b), QStringLiteral("x"));
    ReplaceText(b, QString());
    EXPECT_EQ(b, EmptyText());
    FreeText(b);
    FreeText(b);
    EXPECT_EQ(EmptyText()[0], u'\0');
}

TEST(Labels, DefaultsAndRelease)
{
    TFieldLabels labels{};
    SetDefaultLabels(labels);
    const char* expected[] = {"Text 1", "Text 2", "Text 3", "Text 4", "Text 5",
                              "Zahl 1", "Zahl 2", "Zahl 3", "Zahl 4", "Zahl 5"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(TextOf(labels[std::size_t(i)]), QLatin1String(expected[i])) << i;
    FreeLabels(labels);
    for (auto* label : labels)
        EXPECT_EQ(label, nullptr);
}

TEST(Records, CustomFieldsByPosition)
{
    TVorgangRec task{};
    CustomNumber(task, 0) = 1;
    CustomNumber(task, 4) = 5;
    EXPECT_EQ(task.Zahl1, 1);
    EXPECT_EQ(task.Zahl5, 5);
    EXPECT_EQ(&CustomText(task, 2), &task.Text3);

    TArbeiterRec resource{};
    CustomNumber(resource, 1) = 2;
    EXPECT_EQ(resource.Zahl2, 2);
    EXPECT_EQ(&CustomText(resource, 4), &resource.Text5);
}

TEST(Records, ReleaseFreesEveryTextAndTheResourceList)
{
    TCursor<int32_t> cursor;
    TVorgangRec task{};
    WideCopy(task.Name, QStringLiteral("A"));
    WideCopy(task.Notes, QStringLiteral("N"));
    for (int i = 0; i < CustomFieldCount; ++i)
        WideCopy(CustomText(task, i), QStringLiteral("T"));
    task.Resources = new TDynaArray(4, cursor.Var());
    task.Resources->Append();
    task.Beginn = 3.5;

    ReleaseVorgang(task);
    EXPECT_EQ(task.Deleted, 1);
    EXPECT_EQ(task.Name, nullptr);
    EXPECT_EQ(task.Notes, nullptr);
    EXPECT_EQ(task.Text5, nullptr);
    EXPECT_EQ(task.Resources, nullptr);
    EXPECT_EQ(task.Beginn, 3.5) << "plain values stay";

    TArbeiterRec resource{};
    WideCopy(resource.Name, QStringLiteral("R"));
    WideCopy(resource.EMail, QStringLiteral("r@example.org"));
    WideCopy(resource.Text1, QStringLiteral("T"));
    ReleaseArbeiter(resource);
    EXPECT_EQ(resource.Deleted, 1);
    EXPECT_EQ(resource.EMail, nullptr);
    EXPECT_EQ(resource.Text1, nullptr);
}

} // namespace
