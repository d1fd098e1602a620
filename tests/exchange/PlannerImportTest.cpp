#include "DocumentFixture.h"
#include "MsProjectExport.h"
#include "Schedule.h"
#include "Texts.h"

#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// GNOME Planner reads Microsoft Project XML through this stylesheet of Debian's
// planner-data; tools/install-deps.sh installs it and xsltproc, so a machine
// without them fails here instead of passing unseen.
const QString Stylesheet = QStringLiteral("/usr/share/planner/stylesheets/msp2planner.xsl");

class PlannerImport : public DocumentFixture
{
protected:
    QTemporaryDir Dir;

    TOutlineNode* Named(TOutlineNode* node, TOutlineKind kind, const char* name)
    {
        char16_t*& field =
            kind == TOutlineKind::Vorgang ? VorgangOf(Doc, node).Name : ArbeiterOf(Doc, node).Name;
        ReplaceText(field, QString::fromUtf8(name));
        node->setText(0, QString::fromUtf8(name));
        return node;
    }
    TOutlineNode* Task(TOutlineNode* parent, const char* name, TDateTime start, TDateTime end)
    {
        TOutlineNode* node =
            Named(parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr), TOutlineKind::Vorgang, name);
        VorgangOf(Doc, node).Beginn = start;
        VorgangOf(Doc, node).Ende = end;
        return node;
    }

    // The project as Planner has it after reading the exported file.
    QDomElement PlannerProject(QDomDocument& planner)
    {
        const QString xsltproc = QStandardPaths::findExecutable(QStringLiteral("xsltproc"));
        EXPECT_FALSE(xsltproc.isEmpty()) << "xsltproc is missing: run tools/install-deps.sh";
        EXPECT_TRUE(QFile::exists(Stylesheet)) << "planner-data is missing: run tools/install-deps.sh";
        const QString file = Dir.filePath(QStringLiteral("Umbau.xml"));
        QString error;
        EXPECT_TRUE(ExportMsProject(Doc, file, 46101, error)) << error.toStdString();
        QProcess process;
        process.start(xsltproc, {Stylesheet, file});
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_TRUE(bool(planner.setContent(process.readAllStandardOutput())));
        return planner.documentElement();
    }
};

std::vector<QDomElement> Children(const QDomElement& parent, const char* name)
{
    std::vector<QDomElement> all;
    for (QDomElement e = parent.firstChildElement(QLatin1String(name)); !e.isNull();
         e = e.nextSiblingElement(QLatin1String(name)))
        all.push_back(e);
    return all;
}

QString Attributes(const QDomElement& e, std::initializer_list<const char*> names)
{
    QStringList values;
    for (const char* name : names)
        values << e.attribute(QLatin1String(name));
    return values.join(QLatin1Char(' '));
}

TEST_F(PlannerImport, PlannerReadsTheTasksNestingDatesLinksResourcesAndAssignments)
{
    TOutlineNode* rohbau = Task(nullptr, "Rohbau", 0, 0);
    TOutlineNode* mauern = Task(rohbau, "Mauern", 46083 + 8.0 / 24, 46085 + 17.0 / 24);
    TOutlineNode* putz = Task(rohbau, "Putz & Gips", 46083, 46086);
    VorgangOf(Doc, putz).Link = VorgangOf(Doc, mauern).Id + 1;
    Task(nullptr, "Dach", 46091 + 8.0 / 24, 46091 + 12.0 / 24);
    TOutlineNode* bau = Named(ArbEinf(Doc, nullptr), TOutlineKind::Arbeiter, "Bau");
    TOutlineNode* maurer = Named(ArbEinfChild(Doc, bau), TOutlineKind::Arbeiter, "Maurer");
    TArbeiterRec& m = ArbeiterOf(Doc, maurer);
    m.CostPerHour = 42.5;
    m.Members = 2;
    ReplaceText(m.EMail, QStringLiteral("maurer@example.org"));
    for (TOutlineNode* task : {mauern, putz})
        *static_cast<int32_t*>(VorgangOf(Doc, task).Resources->Append()) = m.Id;
    RenderEveryThing(Doc);

    QDomDocument planner;
    const QDomElement project = PlannerProject(planner);
    ASSERT_EQ(project.tagName(), QStringLiteral("project"));
    EXPECT_EQ(project.attribute(QStringLiteral("name")), QStringLiteral("unbenannt"));
    EXPECT_EQ(project.attribute(QStringLiteral("project-start")), QStringLiteral("20260302T080000Z"));

    const auto top = Children(project.firstChildElement(QStringLiteral("tasks")), "task");
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(Attributes(top[0], {"id", "name", "start", "end"}),
              QStringLiteral("1 Rohbau 20260302T080000Z 20260307T170000Z"));
    EXPECT_EQ(Attributes(top[1], {"id", "name", "start", "end", "type"}),
              QStringLiteral("4 Dach 20260310T080000Z 20260310T120000Z normal"));
    const auto inner = Children(top[0], "task");
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_EQ(Attributes(inner[0], {"id", "name", "start", "end"}),
              QStringLiteral("2 Mauern 20260302T080000Z 20260304T170000Z"));
    EXPECT_EQ(Attributes(inner[1], {"id", "name", "start", "end"}),
              QStringLiteral("3 Putz & Gips 20260304T170000Z 20260307T170000Z"))
        << "follows Mauern, keeping its three days";
    const auto links = Children(inner[1].firstChildElement(QStringLiteral("predecessors")), "predecessor");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(Attributes(links[0], {"predecessor-id", "type", "lag"}), QStringLiteral("2 FS 0"));
    EXPECT_TRUE(Children(inner[0].firstChildElement(QStringLiteral("predecessors")), "predecessor").empty());

    const auto resources = Children(project.firstChildElement(QStringLiteral("resources")), "resource");
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(Attributes(resources[0], {"id", "name", "type"}), QStringLiteral("1 Bau 1"));
    EXPECT_EQ(Attributes(resources[1], {"id", "name", "email", "std-rate", "units"}),
              QStringLiteral("2 Maurer maurer@example.org 42.5 2"));

    QStringList allocations;
    for (const QDomElement& a :
         Children(project.firstChildElement(QStringLiteral("allocations")), "allocation"))
        allocations << Attributes(a, {"task-id", "resource-id", "units"});
    EXPECT_EQ(allocations, (QStringList{QStringLiteral("2 2 100"), QStringLiteral("3 2 100")}));
}

} // namespace
