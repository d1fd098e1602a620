#include "UndoSteps.h"

#include "Texts.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TUndoStep> Step(const char* name, std::size_t payload = 0)
{
    auto step = std::make_unique<TUndoStep>();
    step->Name = QString::fromLatin1(name);
    step->Schedule.resize(payload);
    return step;
}

TEST(UndoHistory, OldestStepsGoAndTheSavedStateCanBecomeUnreachable)
{
    TUndoHistory history(3);
    history.Push(Step("a"));
    history.MarkSaved(); // saved after a
    for (const char* name : {"b", "c"})
        history.Push(Step(name));
    EXPECT_EQ(history.Count(), 3u);
    history.StepBack();
    history.StepBack();
    EXPECT_TRUE(history.AtSaved());
    history.StepForward();
    history.Push(Step("d")); // drops c, keeps the saved state reachable
    EXPECT_EQ(history.NextUndo()->Name, QStringLiteral("d"));
    EXPECT_EQ(history.NextRedo(), nullptr);
    history.StepBack();
    history.StepBack();
    EXPECT_TRUE(history.AtSaved());
    history.StepForward();
    history.StepForward();
    history.Push(Step("e")); // four steps: a goes, the state after it stays as the oldest
    EXPECT_EQ(history.Count(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(history.AtSaved());
        history.StepBack();
    }
    EXPECT_TRUE(history.AtSaved());
    EXPECT_EQ(history.NextUndo(), nullptr);
    EXPECT_EQ(history.NextRedo()->Name, QStringLiteral("b"));
    for (int i = 0; i < 3; ++i)
        history.StepForward();
    history.Push(Step("f")); // b goes: the saved state cannot come back
    for (int i = 0; i < 3; ++i) {
        history.StepBack();
        EXPECT_FALSE(history.AtSaved());
    }
}

TEST(UndoHistory, ByteLimitDropsOldStepsButKeepsTheNewest)
{
    const std::size_t big = 1000;
    const std::size_t stepBytes = Step("x", big)->Bytes();
    TUndoHistory history(1000, 2 * stepBytes + stepBytes / 2);
    for (const char* name : {"a", "b", "c"})
        history.Push(Step(name, big));
    EXPECT_EQ(history.Count(), 2u);
    EXPECT_LE(history.Bytes(), 2 * stepBytes + stepBytes / 2);
    history.Push(Step("huge", 10 * big));
    EXPECT_EQ(history.Count(), 1u);
    EXPECT_EQ(history.NextUndo()->Name, QStringLiteral("huge"));
}

// A copy owns its texts and resource Ids: the record can be released and restored
// from it any number of times.
TEST(RecordCopy, RestoresTextsAndResourcesIndependentlyOfTheRecord)
{
    void* cursor = nullptr;
    TVorgangRec rec{};
    rec.Id = 7;
    rec.Beginn = -0.0;
    WideCopy(rec.Name, QStringLiteral("Dach"));
    WideCopy(rec.Text3, QString());
    rec.Resources = new TDynaArray(sizeof(int32_t), &cursor);
    *static_cast<int32_t*>(rec.Resources->Append()) = 4;
    *static_cast<int32_t*>(rec.Resources->Append()) = 2;
    const TRecordCopy<TVorgangRec> live(rec);
    const TRecordCopy<TVorgangRec> released = TRecordCopy<TVorgangRec>::Released(rec);

    released.RestoreInto(rec, &cursor);
    EXPECT_EQ(rec.Deleted, 1);
    EXPECT_EQ(rec.Name, nullptr);
    EXPECT_EQ(rec.Resources, nullptr);
    EXPECT_EQ(rec.Id, 7);
    for (int round = 0; round < 2; ++round) {
        live.RestoreInto(rec, &cursor);
        EXPECT_EQ(rec.Deleted, 0);
        EXPECT_EQ(TextOf(rec.Name), QStringLiteral("Dach"));
        ASSERT_NE(rec.Text3, nullptr) << "an empty text stays a text";
        EXPECT_EQ(rec.Text1, nullptr);
        EXPECT_NE(rec.Name, live.Value().Name);
        ASSERT_EQ(rec.Resources->Count, 2u);
        EXPECT_EQ(*static_cast<int32_t*>(rec.Resources->At(1)), 2);
        EXPECT_TRUE(std::signbit(rec.Beginn));
    }
    ReleaseVorgang(rec);
}

} // namespace
