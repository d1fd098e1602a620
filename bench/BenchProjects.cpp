#include "BenchProjects.h"

#include "Outline.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "TestProject.h"
#include "Texts.h"

#include <random>

namespace {

void BuildProject(TDocument& doc, int tasks, bool rich)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> anyTask(0, tasks - 1);
    std::uniform_int_distribution<int32_t> anyResource(0, tasks / 10 - 1);
    TOutlineNode* top = nullptr;
    TOutlineNode* group = nullptr;
    for (int i = 0; i < tasks; ++i) {
        TOutlineNode* node = nullptr;
        if (i % 100 == 0)
            node = top = VorgEinf(doc, top);
        else if (i % 10 == 1)
            node = group = VorgEinfChild(doc, top);
        else
            node = VorgEinfChild(doc, group);
        if (node == group || node == top)
            SetExpanded(node, true);
        TVorgangRec& rec = VorgangOf(doc, node);
        const QString name = QStringLiteral("Vorgang Nummer %1").arg(i);
        FreeText(rec.Name);
        WideCopy(rec.Name, name);
        node->setText(0, name);
        if (i % 2 == 0)
            rec.Link = anyTask(random) + 1;
        if (!rich)
            continue;
        WideCopy(rec.Text1, QStringLiteral("Gewerk Rohbau"));
        WideCopy(rec.Notes, QStringLiteral("Abnahme durch den Bauherrn vor Ort"));
        *static_cast<int32_t*>(rec.Resources->Append()) = anyResource(random);
        *static_cast<int32_t*>(rec.Resources->Append()) = anyResource(random);
    }
    TOutlineNode* resourceTop = nullptr;
    for (int i = 0; i < tasks / 10; ++i) {
        TOutlineNode* node =
            i % 10 == 0 ? (resourceTop = ArbEinf(doc, resourceTop)) : ArbEinfChild(doc, resourceTop);
        if (node == resourceTop)
            SetExpanded(node, true);
        TArbeiterRec& rec = ArbeiterOf(doc, node);
        WideCopy(rec.EMail, QStringLiteral("arbeiter%1@example.de").arg(i));
        rec.CostPerHour = 45;
    }
}

} // namespace

void BuildLayeredProject(TDocument& doc, int tasks)
{
    BuildProject(doc, tasks, true);
}

void BuildPlainProject(TDocument& doc, int tasks)
{
    BuildProject(doc, tasks, false);
}

void SaveBenchProject(const QString& name, int tasks, bool plain)
{
    TTestProject project(1);
    (plain ? BuildPlainProject : BuildLayeredProject)(project.Doc, tasks);
    // As the program saves it: recalculated after the last change.
    RenderEveryThing(project.Doc);
    QString error;
    if (!SaveProjectFile(project.Doc, name, error))
        qFatal("cannot write the benchmark project");
}
