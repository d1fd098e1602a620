#include "MsProjectExport.h"

#include "DocumentFixture.h"
#include "MsProjectFormat.h"
#include "MsProjectImport.h"
#include "RandomProject.h"
#include "Schedule.h"
#include "Texts.h"

#include <QDomDocument>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

constexpr TDateTime Created = 46101.5; // 20 March 2026, 12:00

QByteArray Export(const TDocument& doc)
{
    return WriteMsProject(doc, {QStringLiteral("plan.xml"), QStringLiteral("Umbau"), Created});
}

std::vector<TOutlineNode*> PreOrder(TOutlineTree* outline)
{
    std::vector<TOutlineNode*> nodes;
    for (TOutlineIterator it(outline); *it; ++it)
        nodes.push_back(*it);
    return nodes;
}

int Depth(const TOutlineNode* node)
{
    int depth = 0;
    for (; node->parent(); node = node->parent())
        ++depth;
    return depth;
}

int64_t Minutes(TDateTime day)
{
    return std::llround(day * 24 * 60);
}

// The pre-order row of each record, by Id.
std::map<int32_t, int> Rows(const std::vector<TOutlineNode*>& nodes, auto idOf)
{
    std::map<int32_t, int> rows;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        rows[idOf(nodes[i])] = int(i);
    return rows;
}

template <typename Rec> void ExpectSameFields(Rec& a, Rec& b)
{
    EXPECT_EQ(TextOf(a.Name), TextOf(b.Name));
    EXPECT_EQ(TextOf(a.Notes), TextOf(b.Notes));
    for (int i = 0; i < CustomFieldCount; ++i) {
        EXPECT_EQ(TextOf(CustomText(a, i)), TextOf(CustomText(b, i))) << "Text" << i + 1;
        EXPECT_EQ(CustomNumber(a, i), CustomNumber(b, i)) << "Zahl" << i + 1;
    }
}

// Both documents have the same outlines and records, Ids aside: names, nesting,
// dates to the minute, links, resources, assignments, costs, notes, custom fields.
void ExpectSameProject(const TDocument& a, const TDocument& b)
{
    const auto resourcesA = PreOrder(a.Arbeiter), resourcesB = PreOrder(b.Arbeiter);
    ASSERT_EQ(resourcesA.size(), resourcesB.size());
    for (std::size_t i = 0; i < resourcesA.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "resource row " << i);
        TArbeiterRec& x = ArbeiterOf(a, resourcesA[i]);
        TArbeiterRec& y = ArbeiterOf(b, resourcesB[i]);
        ExpectSameFields(x, y);
        EXPECT_EQ(resourcesA[i]->text(0), resourcesB[i]->text(0));
        EXPECT_EQ(Depth(resourcesA[i]), Depth(resourcesB[i]));
        EXPECT_EQ(resourcesA[i]->childCount(), resourcesB[i]->childCount());
        EXPECT_EQ(TextOf(x.EMail), TextOf(y.EMail));
        EXPECT_DOUBLE_EQ(x.CostPerHour, y.CostPerHour);
        EXPECT_DOUBLE_EQ(x.CostPerUse, y.CostPerUse);
        EXPECT_EQ(std::max(x.Members, 1), std::max(y.Members, 1));
    }
    const auto resourceRowA = Rows(resourcesA, [&](auto* node) { return ArbeiterOf(a, node).Id; });
    const auto resourceRowB = Rows(resourcesB, [&](auto* node) { return ArbeiterOf(b, node).Id; });

    const auto tasksA = PreOrder(a.Vorgangs), tasksB = PreOrder(b.Vorgangs);
    ASSERT_EQ(tasksA.size(), tasksB.size());
    const auto taskRowA = Rows(tasksA, [&](auto* node) { return VorgangOf(a, node).Id; });
    const auto taskRowB = Rows(tasksB, [&](auto* node) { return VorgangOf(b, node).Id; });
    auto assigned = [](const TVorgangRec& rec, const std::map<int32_t, int>& rows) {
        std::set<int> set; // of live resources: deleted ones are never shown
        for (uint32_t k = 0; k < rec.Resources->Count; ++k)
            if (const auto row = rows.find(*static_cast<const int32_t*>(rec.Resources->At(k)));
                row != rows.end())
                set.insert(row->second);
        return set;
    };
    for (std::size_t i = 0; i < tasksA.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "task row " << i);
        TVorgangRec& x = VorgangOf(a, tasksA[i]);
        TVorgangRec& y = VorgangOf(b, tasksB[i]);
        ExpectSameFields(x, y);
        EXPECT_EQ(tasksA[i]->text(0), tasksB[i]->text(0));
        EXPECT_EQ(Depth(tasksA[i]), Depth(tasksB[i]));
        EXPECT_EQ(tasksA[i]->childCount(), tasksB[i]->childCount());
        EXPECT_EQ(Minutes(x.Beginn), Minutes(y.Beginn));
        EXPECT_EQ(Minutes(x.Ende), Minutes(y.Ende));
        EXPECT_EQ(x.Link > 0 ? taskRowA.at(x.Link - 1) : -1, y.Link > 0 ? taskRowB.at(y.Link - 1) : -1);
        EXPECT_DOUBLE_EQ(x.FixedCosts, y.FixedCosts);
        EXPECT_EQ(x.IncludeWorkCosts, y.IncludeWorkCosts);
        if (tasksA[i]->childCount() == 0) {
            EXPECT_EQ(assigned(x, resourceRowA), assigned(y, resourceRowB));
        }
    }
}

// Generated projects, some tasks and resources deleted so that Ids have gaps, go
// out and come back whole, and nothing of them lands in the notes.
TEST(MsProjectRoundTrip, GeneratedProjectsComeBackWhole)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TTestProject original(seed);
        MakeRandomProject(original.Doc, seed, 80, 16);
        RemoveNode(original.Doc, TOutlineKind::Vorgang, original.Vorgangs.topLevelItem(1));
        RemoveNode(original.Doc, TOutlineKind::Arbeiter, original.Arbeiter.topLevelItem(0)->child(1));
        RenderEveryThing(original.Doc);

        TMspPlan plan;
        TXmlFault fault;
        ASSERT_TRUE(ParseMsProject(Export(original.Doc), plan, fault)) << fault.Text.toStdString();
        TTestProject copy(seed + 100);
        const TImportReport report = ImportMsProject(copy.Doc, plan);
        ExpectSameProject(original.Doc, copy.Doc);
        EXPECT_EQ(report.Tasks, int(PreOrder(&original.Vorgangs).size()));
        EXPECT_EQ(report.Noted, (std::array<int, NotedKinds>{}));
        EXPECT_EQ(report.SkippedAssignments, 0);
    }
}

struct TXml
{
    QDomDocument Dom;
    QDomElement Root;

    explicit TXml(const QByteArray& bytes)
    {
        const auto parsed = Dom.setContent(bytes);
        EXPECT_TRUE(parsed) << "well-formed";
        Root = Dom.documentElement();
    }
    std::vector<QDomElement> All(const QDomElement& parent, const char* name) const
    {
        std::vector<QDomElement> all;
        for (QDomElement e = parent.firstChildElement(QLatin1String(name)); !e.isNull();
             e = e.nextSiblingElement(QLatin1String(name)))
            all.push_back(e);
        return all;
    }
    QDomElement Section(const char* name) const { return Root.firstChildElement(QLatin1String(name)); }
};

QString Field(const QDomElement& element, const char* name)
{
    return element.firstChildElement(QLatin1String(name)).text();
}

class MsProjectExport : public DocumentFixture
{
protected:
    TOutlineNode* Task(TOutlineNode* parent, const char* name, TDateTime start, TDateTime end)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        TVorgangRec& rec = VorgangOf(Doc, node);
        ReplaceText(rec.Name, QString::fromUtf8(name));
        node->setText(0, QString::fromUtf8(name));
        rec.Beginn = start;
        rec.Ende = end;
        return node;
    }
    TOutlineNode* Resource(TOutlineNode* group, const char* name)
    {
        TOutlineNode* node = group ? ArbEinfChild(Doc, group) : ArbEinf(Doc, nullptr);
        ReplaceText(ArbeiterOf(Doc, node).Name, QString::fromUtf8(name));
        node->setText(0, QString::fromUtf8(name));
        return node;
    }
    static void Assign(TVorgangRec& task, const TArbeiterRec& resource)
    {
        *static_cast<int32_t*>(task.Resources->Append()) = resource.Id;
    }
};

TEST_F(MsProjectExport, ProjectHasItsSpanTheStandardCalendarTheSummaryTaskAndTheLabels)
{
    Task(nullptr, "Rohbau", 46083 + 8.0 / 24, 46087 + 17.0 / 24);
    Task(nullptr, "Ausbau", 46081 + 13.0 / 24, 46084);
    ReplaceText(Doc.VorgangFieldLabels[0], QStringLiteral("Gewerk"));
    ReplaceText(Doc.ArbeiterFieldLabels[7], QStringLiteral("Stundenzettel"));
    const TXml xml(Export(Doc));

    EXPECT_EQ(xml.Root.tagName(), QStringLiteral("Project"));
    EXPECT_EQ(xml.Root.attribute(QStringLiteral("xmlns")),
              QStringLiteral("http://schemas.microsoft.com/project"));
    EXPECT_EQ(Field(xml.Root, "Name"), QStringLiteral("plan.xml"));
    EXPECT_EQ(Field(xml.Root, "Title"), QStringLiteral("Umbau"));
    EXPECT_EQ(Field(xml.Root, "CreationDate"), QStringLiteral("2026-03-20T12:00:00"));
    EXPECT_EQ(Field(xml.Root, "StartDate"), QStringLiteral("2026-02-28T13:00:00"));
    EXPECT_EQ(Field(xml.Root, "FinishDate"), QStringLiteral("2026-03-06T17:00:00"));
    EXPECT_EQ(Field(xml.Root, "MinutesPerDay"), QStringLiteral("480"));
    EXPECT_EQ(Field(xml.Root, "MinutesPerWeek"), QStringLiteral("2400"));
    EXPECT_EQ(Field(xml.Root, "DaysPerMonth"), QStringLiteral("20"));

    const auto days =
        xml.All(xml.Section("Calendars").firstChildElement().firstChildElement(QStringLiteral("WeekDays")),
                "WeekDay");
    ASSERT_EQ(days.size(), 7u);
    for (const QDomElement& day : days) {
        const int type = Field(day, "DayType").toInt();
        const bool working = type >= 2 && type <= 6;
        EXPECT_EQ(Field(day, "DayWorking"), working ? QStringLiteral("1") : QStringLiteral("0")) << type;
        QStringList times;
        for (const QDomElement& time :
             xml.All(day.firstChildElement(QStringLiteral("WorkingTimes")), "WorkingTime"))
            times << Field(time, "FromTime") + QLatin1Char('-') + Field(time, "ToTime");
        const QStringList expected =
            working ? QStringList{QStringLiteral("08:00:00-12:00:00"), QStringLiteral("13:00:00-17:00:00")}
                    : QStringList{};
        EXPECT_EQ(times, expected) << type;
    }

    const QDomElement summary = xml.Section("Tasks").firstChildElement();
    EXPECT_EQ(Field(summary, "UID"), QStringLiteral("0"));
    EXPECT_EQ(Field(summary, "OutlineLevel"), QStringLiteral("0"));
    EXPECT_EQ(Field(summary, "Summary"), QStringLiteral("1"));
    EXPECT_EQ(Field(summary, "Name"), QStringLiteral("Umbau"));
    EXPECT_EQ(Field(summary, "Start"), QStringLiteral("2026-02-28T13:00:00"));
    EXPECT_EQ(Field(summary, "Finish"), QStringLiteral("2026-03-06T17:00:00"));

    std::map<QString, QString> aliases;
    for (const QDomElement& field : xml.All(xml.Section("ExtendedAttributes"), "ExtendedAttribute"))
        aliases[Field(field, "FieldID")] = Field(field, "Alias");
    EXPECT_EQ(aliases.size(), 21u);
    EXPECT_EQ(aliases[QStringLiteral("188743731")], QStringLiteral("Gewerk"));        // task Text1
    EXPECT_EQ(aliases[QStringLiteral("188743771")], QStringLiteral("Zahl 5"));        // task Number5
    EXPECT_EQ(aliases[QStringLiteral("205521010")], QStringLiteral("Stundenzettel")); // resource Number3
    EXPECT_EQ(aliases[QStringLiteral("188743752")], QStringLiteral("Arbeitszeitkosten einbeziehen"));
}

// UIDs are Ids + 1 also where deleted tasks left gaps; a link to a deleted task
// is not written.
TEST_F(MsProjectExport, TasksCarryTheirUidOutlineNumberDurationLinkCostsAndFields)
{
    TOutlineNode* rohbau = Task(nullptr, "Rohbau", 46083 + 8.0 / 24, 46084 + 10.5 / 24);
    TOutlineNode* gone = Task(rohbau, "weg", 46083, 46084);
    TOutlineNode* mauern = Task(rohbau, "Mauern", 46083 + 8.0 / 24, 46084 + 10.5 / 24);
    TOutlineNode* putz = Task(rohbau, "Putz", 46084 + 10.5 / 24, 46085);
    TOutlineNode* dach = Task(nullptr, "Dach", 46091, 46092);
    VorgangOf(Doc, putz).Link = VorgangOf(Doc, mauern).Id + 1;
    VorgangOf(Doc, dach).Link = VorgangOf(Doc, gone).Id + 1;
    RemoveNode(Doc, TOutlineKind::Vorgang, gone);
    TVorgangRec& rec = VorgangOf(Doc, mauern);
    rec.FixedCosts = 1234.5;
    rec.IncludeWorkCosts = 1;
    ReplaceText(rec.Text3, QStringLiteral("Nord"));
    rec.Zahl2 = -2.25;
    ReplaceText(rec.Notes, QStringLiteral("Kalksandstein\nzweite Lage"));

    const TXml xml(Export(Doc));
    const auto tasks = xml.All(xml.Section("Tasks"), "Task");
    ASSERT_EQ(tasks.size(), 5u);
    QStringList rows;
    for (std::size_t i = 1; i < tasks.size(); ++i)
        rows << QStringList{Field(tasks[i], "UID"),
                            Field(tasks[i], "ID"),
                            Field(tasks[i], "Name"),
                            Field(tasks[i], "OutlineNumber"),
                            Field(tasks[i], "WBS"),
                            Field(tasks[i], "OutlineLevel"),
                            Field(tasks[i], "Summary"),
                            Field(tasks[i], "Duration"),
                            Field(tasks[i], "DurationFormat"),
                            Field(tasks[i], "Manual"),
                            Field(tasks[i], "ConstraintType")}
                    .join(QLatin1Char(' '));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("1 1 Rohbau 1 1 1 1 PT26H30M0S 8 0 0"),
                                 QStringLiteral("3 2 Mauern 1.1 1.1 2 0 PT26H30M0S 8 0 0"),
                                 QStringLiteral("4 3 Putz 1.2 1.2 2 0 PT13H30M0S 8 0 0"),
                                 QStringLiteral("5 4 Dach 2 2 1 0 PT24H0M0S 8 0 0")}));
    EXPECT_EQ(Field(tasks[2], "Start"), QStringLiteral("2026-03-02T08:00:00"));
    EXPECT_EQ(Field(tasks[2], "Finish"), QStringLiteral("2026-03-03T10:30:00"));
    EXPECT_EQ(Field(tasks[2], "FixedCost"), QStringLiteral("123450"));
    EXPECT_EQ(Field(tasks[2], "Notes"), QStringLiteral("Kalksandstein\nzweite Lage"));
    std::map<QString, QString> values;
    for (const QDomElement& value : xml.All(tasks[2], "ExtendedAttribute"))
        values[Field(value, "FieldID")] = Field(value, "Value");
    EXPECT_EQ(values, (std::map<QString, QString>{{QStringLiteral("188743737"), QStringLiteral("Nord")},
                                                  {QStringLiteral("188743768"), QStringLiteral("-2.25")},
                                                  {QStringLiteral("188743752"), QStringLiteral("1")}}));

    const auto links = xml.All(tasks[3], "PredecessorLink");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(Field(links[0], "PredecessorUID"), QStringLiteral("3"));
    EXPECT_EQ(Field(links[0], "Type"), QStringLiteral("1"));
    EXPECT_TRUE(xml.All(tasks[4], "PredecessorLink").empty()) << "its predecessor is deleted";
    EXPECT_TRUE(xml.All(tasks[1], "ExtendedAttribute").empty());
}

TEST_F(MsProjectExport, ResourcesNameTheirGroupAndOnlyLeafTasksAssignLiveResources)
{
    TOutlineNode* bau = Resource(nullptr, "Bau");
    TOutlineNode* maurer = Resource(bau, "Maurer");
    TOutlineNode* gone = Resource(bau, "weg");
    TArbeiterRec& m = ArbeiterOf(Doc, maurer);
    m.CostPerHour = 42.5;
    m.CostPerUse = 15.25;
    m.Members = 3;
    ReplaceText(m.EMail, QStringLiteral("maurer@example.org"));
    TOutlineNode* summary = Task(nullptr, "Rohbau", 46083, 46085);
    TOutlineNode* leaf = Task(summary, "Mauern", 46083, 46085);
    Assign(VorgangOf(Doc, summary), ArbeiterOf(Doc, bau));
    Assign(VorgangOf(Doc, leaf), ArbeiterOf(Doc, maurer));
    Assign(VorgangOf(Doc, leaf), ArbeiterOf(Doc, maurer));
    Assign(VorgangOf(Doc, leaf), ArbeiterOf(Doc, gone));
    Assign(VorgangOf(Doc, leaf), ArbeiterOf(Doc, bau));
    const int32_t bauUid = ArbeiterOf(Doc, bau).Id + 1, maurerUid = m.Id + 1;
    RemoveNode(Doc, TOutlineKind::Arbeiter, gone);

    const TXml xml(Export(Doc));
    const auto resources = xml.All(xml.Section("Resources"), "Resource");
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(Field(resources[0], "Name"), QStringLiteral("Bau"));
    EXPECT_TRUE(resources[0].firstChildElement(QStringLiteral("Group")).isNull());
    EXPECT_EQ(Field(resources[0], "MaxUnits"), QStringLiteral("1")) << "Members 0 counts as one";
    EXPECT_EQ(Field(resources[1], "UID"), QString::number(maurerUid));
    EXPECT_EQ(Field(resources[1], "ID"), QStringLiteral("2"));
    EXPECT_EQ(Field(resources[1], "Group"), QStringLiteral("Bau"));
    EXPECT_EQ(Field(resources[1], "Type"), QStringLiteral("1"));
    EXPECT_EQ(Field(resources[1], "EmailAddress"), QStringLiteral("maurer@example.org"));
    EXPECT_EQ(Field(resources[1], "MaxUnits"), QStringLiteral("3"));
    EXPECT_EQ(Field(resources[1], "StandardRate"), QStringLiteral("42.5"));
    EXPECT_EQ(Field(resources[1], "CostPerUse"), QStringLiteral("1525"));

    QStringList assignments;
    for (const QDomElement& a : xml.All(xml.Section("Assignments"), "Assignment"))
        assignments << Field(a, "TaskUID") + QLatin1Char('/') + Field(a, "ResourceUID");
    const QString leafUid = QString::number(VorgangOf(Doc, leaf).Id + 1);
    EXPECT_EQ(assignments, (QStringList{leafUid + QLatin1Char('/') + QString::number(maurerUid),
                                        leafUid + QLatin1Char('/') + QString::number(bauUid)}));
}

// Control characters and halves of surrogate pairs would make the file unreadable
// for every XML parser; they become U+FFFD, the rest is kept.
TEST_F(MsProjectExport, TextsXmlCannotCarryStillGiveAWellFormedFile)
{
    QString name = QStringLiteral("a<b>&\"c\" ]]> ");
    name += QChar(0x0B);
    name += QChar(0xD800);
    name += QStringLiteral(" 😀");
    ReplaceText(VorgangOf(Doc, Task(nullptr, "", 46083, 46084)).Name, name);
    const QByteArray bytes = Export(Doc);
    const TXml xml(bytes);
    EXPECT_EQ(Field(xml.All(xml.Section("Tasks"), "Task")[1], "Name"),
              QStringLiteral("a<b>&\"c\" ]]> \uFFFD\uFFFD 😀"));
}

TEST(MsProjectFormat, DateTimesAreLocalAndTimeZonesAreConvertedIntoLocalTime)
{
    const TDateTime monday8 = 46083 + 8.0 / 24;
    EXPECT_EQ(MspDateTime(monday8), QStringLiteral("2026-03-02T08:00:00"));
    EXPECT_EQ(MspDateTime(46083 + 86399.6 / 86400), QStringLiteral("2026-03-03T00:00:00"));
    EXPECT_EQ(MspDateTime(std::nan("")), QString());
    EXPECT_EQ(MspDateTime(1e12), QString());

    auto minutes = [](const char* text) {
        const std::optional<TDateTime> day = ParseMspDateTime(QString::fromLatin1(text));
        return day ? Minutes(*day) : -1;
    };
    EXPECT_EQ(minutes("2026-03-02T08:00:00"), Minutes(monday8));
    EXPECT_EQ(minutes(" 2026-03-02T08:00 "), Minutes(monday8));
    EXPECT_EQ(minutes("2026-03-02T07:00:00Z"), Minutes(monday8)) << "Berlin is an hour ahead in winter";
    EXPECT_EQ(minutes("2026-03-02T12:30:00.250+05:30"), Minutes(monday8));
    EXPECT_EQ(minutes("2026-03-02T02:00:00-05:00"), Minutes(monday8));
    EXPECT_EQ(minutes("2026-07-01T06:00:00Z"), Minutes(46204 + 8.0 / 24)) << "and two in summer";
    EXPECT_EQ(minutes("2026-03-02"), Minutes(46083));
    for (const char* bad : {"2026-02-30T08:00:00", "2026-3-2T08:00:00", "2026-03-02T24:00:00", "gestern", "",
                            "2026-03-02T08:00:00+25:00", "2026-03-02T08:00:00 Uhr", "2026-03-02T08:00:00."})
        EXPECT_EQ(minutes(bad), -1) << bad;

    EXPECT_EQ(MspDuration(1.5), QStringLiteral("PT36H0M0S"));
    EXPECT_EQ(MspDuration(1.0 / 24 / 60 * 61), QStringLiteral("PT1H1M0S"));
    EXPECT_EQ(MspDuration(-2), QStringLiteral("PT0H0M0S"));
    EXPECT_EQ(MspDecimal(12.5), QStringLiteral("12.5"));
    EXPECT_EQ(MspDecimal(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(MspDecimal(1e20), QStringLiteral("100000000000000000000"));
    EXPECT_EQ(MspDecimal(-3), QStringLiteral("-3"));
}

} // namespace
