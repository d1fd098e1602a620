#include "MsProjectExport.h"

#include "DurableFile.h"
#include "MsProjectFormat.h"
#include "Outline.h"
#include "Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

namespace {

// One node of an outline in pre-order, with its level (1 at the top) and its
// outline number ("1.2.3").
struct TRow
{
    TOutlineNode* Node;
    int Level;
    QString Number;
};

std::vector<TRow> Rows(const TOutlineTree* outline)
{
    std::vector<TRow> rows;
    struct TFrame
    {
        TOutlineNode* Parent;
        int Next;
        QString Number;
    };
    std::vector<TFrame> stack;
    auto child = [&](const TFrame& frame) {
        return frame.Parent ? frame.Parent->child(frame.Next) : outline->topLevelItem(frame.Next);
    };
    auto count = [&](const TFrame& frame) {
        return frame.Parent ? frame.Parent->childCount() : outline->topLevelItemCount();
    };
    stack.push_back({nullptr, 0, QString()});
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        if (frame.Next == count(frame)) {
            stack.pop_back();
            continue;
        }
        TOutlineNode* node = child(frame);
        const QString number = (frame.Number.isEmpty() ? QString() : frame.Number + QLatin1Char('.')) +
                               QString::number(++frame.Next);
        rows.push_back({node, int(stack.size()), number});
        if (node->childCount() > 0)
            stack.push_back({node, 0, number});
    }
    return rows;
}

class TMspWriter
{
public:
    explicit TMspWriter(QByteArray* bytes) : Xml(bytes)
    {
        Xml.setAutoFormatting(true);
        Xml.setAutoFormattingIndent(-1); // a tab a level keeps large files small
    }

    QXmlStreamWriter Xml;

    void Start(const QString& name) { Xml.writeStartElement(name); }
    void End() { Xml.writeEndElement(); }
    void Text(const QString& name, const QString& text) { Xml.writeTextElement(name, XmlSafe(text)); }
    void Number(const QString& name, int64_t value) { Xml.writeTextElement(name, QString::number(value)); }
    void Decimal(const QString& name, double value)
    {
        if (std::isfinite(value))
            Xml.writeTextElement(name, MspDecimal(value));
    }
    void Date(const QString& name, TDateTime day)
    {
        const QString text = MspDateTime(day);
        if (!text.isEmpty())
            Xml.writeTextElement(name, text);
    }
};

void WriteFieldDefinition(TMspWriter& out, int64_t field, const QString& name, const QString& alias)
{
    out.Start(QStringLiteral("ExtendedAttribute"));
    out.Number(QStringLiteral("FieldID"), field);
    out.Text(QStringLiteral("FieldName"), name);
    out.Text(QStringLiteral("Alias"), alias);
    out.End();
}

// Text1..Text5, Number1..Number5 of tasks and of resources, and the task's Flag1.
void WriteFieldDefinitions(TMspWriter& out, const TDocument& doc)
{
    out.Start(QStringLiteral("ExtendedAttributes"));
    const struct
    {
        const std::array<int64_t, 5>& Texts;
        const std::array<int64_t, 5>& Numbers;
        const TFieldLabels& Labels;
    } owners[] = {{MspTaskTextFields, MspTaskNumberFields, doc.VorgangFieldLabels},
                  {MspResourceTextFields, MspResourceNumberFields, doc.ArbeiterFieldLabels}};
    for (const auto& owner : owners) {
        for (int i = 0; i < CustomFieldCount; ++i) {
            const auto text = std::size_t(i);
            WriteFieldDefinition(out, owner.Texts[text], QStringLiteral("Text%1").arg(i + 1),
                                 TextOf(owner.Labels[text]));
            WriteFieldDefinition(out, owner.Numbers[text], QStringLiteral("Number%1").arg(i + 1),
                                 TextOf(owner.Labels[text + CustomFieldCount]));
        }
    }
    WriteFieldDefinition(out, MspTaskFlag1Field, QStringLiteral("Flag1"), MspWorkCostsAlias);
    out.End();
}

void WriteCalendar(TMspWriter& out)
{
    out.Start(QStringLiteral("Calendars"));
    out.Start(QStringLiteral("Calendar"));
    out.Number(QStringLiteral("UID"), 1);
    out.Text(QStringLiteral("Name"), QStringLiteral("Standard"));
    out.Number(QStringLiteral("IsBaseCalendar"), 1);
    out.Start(QStringLiteral("WeekDays"));
    for (int day = 1; day <= 7; ++day) { // Sunday to Saturday
        const bool working = day != 1 && day != 7;
        out.Start(QStringLiteral("WeekDay"));
        out.Number(QStringLiteral("DayType"), day);
        out.Number(QStringLiteral("DayWorking"), working ? 1 : 0);
        if (working) {
            out.Start(QStringLiteral("WorkingTimes"));
            for (const auto& [from, to] :
                 {std::pair{"08:00:00", "12:00:00"}, std::pair{"13:00:00", "17:00:00"}}) {
                out.Start(QStringLiteral("WorkingTime"));
                out.Text(QStringLiteral("FromTime"), QLatin1String(from));
                out.Text(QStringLiteral("ToTime"), QLatin1String(to));
                out.End();
            }
            out.End();
        }
        out.End();
    }
    out.End();
    out.End();
    out.End();
}

template <typename Rec>
void WriteCustomValues(TMspWriter& out, Rec& rec, const std::array<int64_t, 5>& texts,
                       const std::array<int64_t, 5>& numbers)
{
    auto value = [&](int64_t field, const QString& text) {
        out.Start(QStringLiteral("ExtendedAttribute"));
        out.Number(QStringLiteral("FieldID"), field);
        out.Text(QStringLiteral("Value"), text);
        out.End();
    };
    for (int i = 0; i < CustomFieldCount; ++i)
        if (const QString text = TextOf(CustomText(rec, i)); !text.isEmpty())
            value(texts[std::size_t(i)], text);
    for (int i = 0; i < CustomFieldCount; ++i)
        if (const double number = CustomNumber(rec, i); number != 0 && std::isfinite(number))
            value(numbers[std::size_t(i)], MspDecimal(number));
}

void WriteNotes(TMspWriter& out, const char16_t* notes)
{
    if (const QString text = TextOf(notes); !text.isEmpty())
        out.Text(QStringLiteral("Notes"), text);
}

struct TSpan
{
    TDateTime Start;
    TDateTime Finish;
};

// The project's span: from the earliest start to the latest end of its tasks.
TSpan ProjectSpan(const TDocument& doc, const std::vector<TRow>& tasks, TDateTime created)
{
    if (tasks.empty())
        return {created, created};
    TSpan span{VorgangOf(doc, tasks.front().Node).Beginn, VorgangOf(doc, tasks.front().Node).Ende};
    for (const TRow& row : tasks) {
        const TVorgangRec& rec = VorgangOf(doc, row.Node);
        span.Start = std::min(span.Start, rec.Beginn);
        span.Finish = std::max(span.Finish, rec.Ende);
    }
    return span;
}

void WriteTaskTimes(TMspWriter& out, TDateTime start, TDateTime finish)
{
    out.Date(QStringLiteral("Start"), start);
    out.Date(QStringLiteral("Finish"), finish);
    out.Text(QStringLiteral("Duration"), MspDuration(finish - start));
    out.Number(QStringLiteral("DurationFormat"), MspElapsedDays);
}

void WriteSummaryTask(TMspWriter& out, const QString& title, const TSpan& span)
{
    out.Start(QStringLiteral("Task"));
    out.Number(QStringLiteral("UID"), 0);
    out.Number(QStringLiteral("ID"), 0);
    out.Text(QStringLiteral("Name"), title);
    out.Number(QStringLiteral("Manual"), 0);
    out.Text(QStringLiteral("WBS"), QStringLiteral("0"));
    out.Text(QStringLiteral("OutlineNumber"), QStringLiteral("0"));
    out.Number(QStringLiteral("OutlineLevel"), 0);
    WriteTaskTimes(out, span.Start, span.Finish);
    out.Number(QStringLiteral("Milestone"), 0);
    out.Number(QStringLiteral("Summary"), 1);
    out.Number(QStringLiteral("ConstraintType"), 0);
    out.End();
}

void WriteTask(TMspWriter& out, const TDocument& doc, const TRow& row, int64_t id,
               const std::unordered_set<int32_t>& liveIds)
{
    TVorgangRec& rec = VorgangOf(doc, row.Node);
    out.Start(QStringLiteral("Task"));
    out.Number(QStringLiteral("UID"), int64_t(rec.Id) + 1);
    out.Number(QStringLiteral("ID"), id);
    out.Text(QStringLiteral("Name"), TextOf(rec.Name));
    out.Number(QStringLiteral("Manual"), 0);
    out.Text(QStringLiteral("WBS"), row.Number);
    out.Text(QStringLiteral("OutlineNumber"), row.Number);
    out.Number(QStringLiteral("OutlineLevel"), row.Level);
    WriteTaskTimes(out, rec.Beginn, rec.Ende);
    out.Number(QStringLiteral("Milestone"), 0);
    out.Number(QStringLiteral("Summary"), row.Node->childCount() > 0 ? 1 : 0);
    out.Decimal(QStringLiteral("FixedCost"), rec.FixedCosts * MspCurrencyScale);
    out.Number(QStringLiteral("ConstraintType"), 0);
    WriteNotes(out, rec.Notes);
    if (rec.Link > 0 && rec.Link - 1 != rec.Id && liveIds.count(rec.Link - 1)) {
        out.Start(QStringLiteral("PredecessorLink"));
        out.Number(QStringLiteral("PredecessorUID"), rec.Link);
        out.Number(QStringLiteral("Type"), MspFinishStart);
        out.Number(QStringLiteral("LinkLag"), 0);
        out.Number(QStringLiteral("LagFormat"), 7);
        out.End();
    }
    WriteCustomValues(out, rec, MspTaskTextFields, MspTaskNumberFields);
    if (rec.IncludeWorkCosts) {
        out.Start(QStringLiteral("ExtendedAttribute"));
        out.Number(QStringLiteral("FieldID"), MspTaskFlag1Field);
        out.Number(QStringLiteral("Value"), 1);
        out.End();
    }
    out.End();
}

void WriteResource(TMspWriter& out, const TDocument& doc, const TRow& row, int64_t id)
{
    TArbeiterRec& rec = ArbeiterOf(doc, row.Node);
    out.Start(QStringLiteral("Resource"));
    out.Number(QStringLiteral("UID"), int64_t(rec.Id) + 1);
    out.Number(QStringLiteral("ID"), id);
    out.Text(QStringLiteral("Name"), TextOf(rec.Name));
    out.Number(QStringLiteral("Type"), 1);
    if (const TOutlineNode* group = row.Node->parent())
        out.Text(QStringLiteral("Group"), TextOf(ArbeiterOf(doc, group).Name));
    if (const QString mail = TextOf(rec.EMail); !mail.isEmpty())
        out.Text(QStringLiteral("EmailAddress"), mail);
    out.Number(QStringLiteral("MaxUnits"), std::max(rec.Members, 1));
    out.Decimal(QStringLiteral("StandardRate"), rec.CostPerHour);
    out.Number(QStringLiteral("StandardRateFormat"), 2);
    out.Decimal(QStringLiteral("CostPerUse"), rec.CostPerUse * MspCurrencyScale);
    WriteNotes(out, rec.Notes);
    WriteCustomValues(out, rec, MspResourceTextFields, MspResourceNumberFields);
    out.End();
}

void WriteAssignments(TMspWriter& out, const TDocument& doc, const std::vector<TRow>& tasks,
                      const std::unordered_set<int32_t>& liveResources)
{
    out.Start(QStringLiteral("Assignments"));
    int64_t uid = 0;
    std::vector<int32_t> assigned;
    for (const TRow& row : tasks) {
        const TVorgangRec& rec = VorgangOf(doc, row.Node);
        if (row.Node->childCount() > 0 || !rec.Resources)
            continue;
        assigned.clear();
        for (uint32_t i = 0; i < rec.Resources->Count; ++i) {
            const int32_t resource = *static_cast<const int32_t*>(rec.Resources->At(i));
            if (!liveResources.count(resource) ||
                std::find(assigned.begin(), assigned.end(), resource) != assigned.end())
                continue;
            assigned.push_back(resource);
            out.Start(QStringLiteral("Assignment"));
            out.Number(QStringLiteral("UID"), ++uid);
            out.Number(QStringLiteral("TaskUID"), int64_t(rec.Id) + 1);
            out.Number(QStringLiteral("ResourceUID"), int64_t(resource) + 1);
            out.Number(QStringLiteral("Units"), 1);
            out.End();
        }
    }
    out.End();
}

} // namespace

QByteArray WriteMsProject(const TDocument& doc, const TMspHeader& header)
{
    const std::vector<TRow> tasks = Rows(doc.Vorgangs);
    const std::vector<TRow> resources = Rows(doc.Arbeiter);
    std::unordered_set<int32_t> liveTasks, liveResources;
    for (const TRow& row : tasks)
        liveTasks.insert(VorgangOf(doc, row.Node).Id);
    for (const TRow& row : resources)
        liveResources.insert(ArbeiterOf(doc, row.Node).Id);
    const TSpan span = ProjectSpan(doc, tasks, header.Created);

    QByteArray bytes;
    TMspWriter out(&bytes);
    out.Xml.writeStartDocument();
    out.Xml.writeDefaultNamespace(MspNamespace);
    out.Start(QStringLiteral("Project"));
    out.Text(QStringLiteral("Name"), header.Name);
    out.Text(QStringLiteral("Title"), header.Title);
    out.Date(QStringLiteral("CreationDate"), header.Created);
    out.Date(QStringLiteral("StartDate"), span.Start);
    out.Date(QStringLiteral("FinishDate"), span.Finish);
    out.Number(QStringLiteral("CalendarUID"), 1);
    out.Number(QStringLiteral("MinutesPerDay"), 480);
    out.Number(QStringLiteral("MinutesPerWeek"), 2400);
    out.Number(QStringLiteral("DaysPerMonth"), 20);
    WriteFieldDefinitions(out, doc);
    WriteCalendar(out);

    out.Start(QStringLiteral("Tasks"));
    WriteSummaryTask(out, header.Title, span);
    for (std::size_t i = 0; i < tasks.size(); ++i)
        WriteTask(out, doc, tasks[i], int64_t(i) + 1, liveTasks);
    out.End();
    out.Start(QStringLiteral("Resources"));
    for (std::size_t i = 0; i < resources.size(); ++i)
        WriteResource(out, doc, resources[i], int64_t(i) + 1);
    out.End();
    WriteAssignments(out, doc, tasks, liveResources);
    out.End();
    out.Xml.writeEndDocument();
    return bytes;
}

QString MspTitle(const QString& documentFile)
{
    return documentFile.isEmpty() ? QStringLiteral("unbenannt") : QFileInfo(documentFile).completeBaseName();
}

QString ProposedXmlName(const QString& documentFile)
{
    if (documentFile.isEmpty())
        return QStringLiteral("unbenannt.xml");
    const QFileInfo file(documentFile);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral(".xml"));
}

bool ExportMsProject(const TDocument& doc, const QString& name, TDateTime created, QString& error)
{
    const QByteArray bytes =
        WriteMsProject(doc, {QFileInfo(name).fileName(), MspTitle(doc.FileName), created});
    return WriteFileDurably(name, bytes, error);
}
