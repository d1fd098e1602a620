#include "MsProjectImport.h"

#include "Clock.h"
#include "MsProjectFormat.h"
#include "Outline.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "Texts.h"

#include <QFile>
#include <QLocale>
#include <QSignalBlocker>
#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>

namespace {

// As deep as the project file takes outlines; deeper ones would only exhaust the
// stack of the recursive tree code later.
constexpr int MaxDepth = 10000;
constexpr qint64 ReadChunk = qint64(1) << 20;

struct TPos
{
    qint64 Line = 0;
    qint64 Column = 0;
};

struct EFault
{
    TXmlFault Fault;
};

[[noreturn]] void Fail(const QString& text, TPos at)
{
    throw EFault{{text, at.Line, at.Column}};
}

struct TRawLink
{
    int64_t Uid = 0;
    int Type = MspFinishStart;
    double Lag = 0; // tenths of a minute
    int LagFormat = 7;
};

struct TRawTask
{
    std::optional<int64_t> Uid;
    TPos UidAt;
    std::optional<int64_t> Level;
    QString OutlineNumber;
    QString Name;
    QString Notes;
    std::optional<TDateTime> Start, Finish;
    double FixedCost = 0;
    std::vector<TRawLink> Links;
    int ConstraintType = 0;
    std::optional<TDateTime> ConstraintDate;
    bool Milestone = false;
    double Percent = 0;
    bool IsNull = false;
    std::array<QString, 5> Texts;
    std::array<double, 5> Numbers{};
    std::optional<bool> Flag1;
};

struct TRawResource
{
    std::optional<int64_t> Uid;
    TPos UidAt;
    QString Name;
    QString Group;
    TPos GroupAt;
    QString EMail;
    QString Notes;
    int Type = 1;
    bool IsNull = false;
    double MaxUnits = 1;
    double StandardRate = 0;
    double CostPerUse = 0;
    std::array<QString, 5> Texts;
    std::array<double, 5> Numbers{};
};

struct TRawAssignment
{
    std::optional<int64_t> Task, Resource;
};

class TParser
{
public:
    explicit TParser(const QByteArray& bytes) : In(bytes) {}

    void Read(TMspPlan& plan);

private:
    QXmlStreamReader In;
    std::vector<TRawTask> Tasks;
    std::vector<int> TaskDepth; // of the plan's tasks
    std::vector<TRawResource> Resources;
    std::vector<TRawAssignment> Assignments;
    std::unordered_map<int64_t, int> TaskOfUid, ResourceOfUid;
    std::unordered_map<int64_t, QString> Aliases;
    std::optional<TDateTime> ProjectStart;
    double MinutesPerDay = 480, MinutesPerWeek = 2400, DaysPerMonth = 20;
    bool HaveTasks = false;
    TMspPlan* Plan = nullptr;
    std::vector<int> TaskPath;     // the last task and its ancestors, by depth
    std::vector<int> ResourcePath; // the same for resources
    std::unordered_map<QString, int> GroupOfName;

    // Where the reader stands, the column counted from 1 as the line is.
    TPos Here() const { return {In.lineNumber(), In.columnNumber() + 1}; }
    void Check()
    {
        if (!In.hasError())
            return;
        if (In.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            Fail(QStringLiteral("Die Datei endet mitten im XML"), Here());
        Fail(QStringLiteral("Kein wohlgeformtes XML: ") + In.errorString(), Here());
    }
    bool Next()
    {
        const bool more = In.readNextStartElement();
        Check();
        return more;
    }
    bool Is(QStringView name) const { return In.name() == name; }
    // Reads every child element named element with read, skipping any other.
    void ReadEach(QStringView element, void (TParser::*read)())
    {
        while (Next()) {
            if (Is(element))
                (this->*read)();
            else
                Skip();
        }
    }
    void Skip()
    {
        In.skipCurrentElement();
        Check();
    }
    QString Text()
    {
        QString text = In.readElementText();
        Check();
        return text;
    }

    int64_t Integer(int64_t least, int64_t most);
    double Decimal();
    double Decimal(double least, double most);
    bool Flag();
    TDateTime Date();

    void ReadProject();
    void ReadFieldDefinitions();
    void ReadTask();
    void ReadLink(TRawTask& task);
    void PlaceTask(TRawTask& task, TPos at);
    void ReadResource();
    void PlaceResource(TRawResource& resource);
    void ReadAssignment();
    template <typename Raw>
    void ReadCustomValue(Raw& raw, const std::array<int64_t, 5>& texts,
                         const std::array<int64_t, 5>& numbers);

    void Resolve();
    void ResolveTask(std::size_t i, const std::vector<bool>& hasChildren);
};

int64_t TParser::Integer(int64_t least, int64_t most)
{
    const QString name = In.name().toString();
    const TPos at = Here();
    const QString text = Text().trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok)
        Fail(QStringLiteral("Im Element %1 steht \"%2\", keine ganze Zahl").arg(name, text), at);
    if (value < least || value > most)
        Fail(QStringLiteral("Im Element %1 liegt %2 außerhalb von %3 bis %4")
                 .arg(name, text)
                 .arg(least)
                 .arg(most),
             at);
    return value;
}

double TParser::Decimal(double least, double most)
{
    const QString name = In.name().toString();
    const TPos at = Here();
    const QString text = Text().trimmed();
    const QByteArray digits = text.toLatin1();
    const char* begin = digits.constData() + (digits.startsWith('+') ? 1 : 0);
    const char* end = digits.constData() + digits.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || begin == end)
        Fail(QStringLiteral("Im Element %1 steht \"%2\", keine Zahl").arg(name, text), at);
    if (value < least || value > most)
        Fail(QStringLiteral("Im Element %1 liegt %2 außerhalb von %3 bis %4")
                 .arg(name, text, MspDecimal(least), MspDecimal(most)),
             at);
    return value;
}

double TParser::Decimal()
{
    const double any = std::numeric_limits<double>::max();
    return Decimal(-any, any);
}

bool TParser::Flag()
{
    const QString name = In.name().toString();
    const TPos at = Here();
    const QString text = Text().trimmed();
    if (text == u"1" || text == u"true")
        return true;
    if (text == u"0" || text == u"false")
        return false;
    Fail(QStringLiteral("Im Element %1 steht \"%2\" statt 0 oder 1").arg(name, text), at);
}

TDateTime TParser::Date()
{
    const QString name = In.name().toString();
    const TPos at = Here();
    const QString text = Text().trimmed();
    const std::optional<TDateTime> day = ParseMspDateTime(text);
    if (!day)
        Fail(QStringLiteral("Im Element %1 steht \"%2\", kein Datum mit Uhrzeit").arg(name, text), at);
    if (!(*day >= MspFirstDay && *day < MspLastDay + 1))
        Fail(QStringLiteral("Im Element %1 liegt das Datum %2 außerhalb der Jahre 1900 bis 9998")
                 .arg(name, text),
             at);
    return *day;
}

void TParser::Read(TMspPlan& plan)
{
    Plan = &plan;
    while (!In.atEnd()) {
        In.readNext();
        Check();
        if (In.tokenType() == QXmlStreamReader::DTD)
            Fail(QStringLiteral("Dokumenttypdeklarationen (DOCTYPE) werden nicht gelesen"), Here());
        if (In.isStartElement())
            break;
    }
    if (!In.isStartElement())
        Fail(QStringLiteral("Die Datei enthält kein XML-Element"), Here());
    if (!Is(u"Project"))
        Fail(QStringLiteral("Das Wurzelelement heißt %1 statt Project; das ist kein Microsoft-Project-XML")
                 .arg(In.name()),
             Here());
    ReadProject();
    const TPos end = Here();
    while (!In.atEnd()) {
        In.readNext();
        Check();
    }
    if (!HaveTasks)
        Fail(QStringLiteral("Das Element Tasks fehlt"), end);
    Resolve();
}

void TParser::ReadProject()
{
    while (Next()) {
        if (Is(u"StartDate"))
            ProjectStart = Date();
        else if (Is(u"MinutesPerDay"))
            MinutesPerDay = double(Integer(1, 1440));
        else if (Is(u"MinutesPerWeek"))
            MinutesPerWeek = double(Integer(1, 10080));
        else if (Is(u"DaysPerMonth"))
            DaysPerMonth = double(Integer(1, 31));
        else if (Is(u"ExtendedAttributes"))
            ReadFieldDefinitions();
        else if (Is(u"Tasks")) {
            HaveTasks = true;
            ReadEach(u"Task", &TParser::ReadTask);
        } else if (Is(u"Resources")) {
            ReadEach(u"Resource", &TParser::ReadResource);
        } else if (Is(u"Assignments")) {
            ReadEach(u"Assignment", &TParser::ReadAssignment);
        } else {
            Skip();
        }
    }
}

void TParser::ReadFieldDefinitions()
{
    while (Next()) {
        if (!Is(u"ExtendedAttribute")) {
            Skip();
            continue;
        }
        std::optional<int64_t> field;
        QString alias;
        while (Next()) {
            if (Is(u"FieldID"))
                field = Integer(0, std::numeric_limits<int64_t>::max());
            else if (Is(u"Alias"))
                alias = Text();
            else
                Skip();
        }
        if (field)
            Aliases[*field] = alias;
    }
}

template <typename Raw>
void TParser::ReadCustomValue(Raw& raw, const std::array<int64_t, 5>& texts,
                              const std::array<int64_t, 5>& numbers)
{
    std::optional<int64_t> field;
    QString value;
    TPos valueAt;
    while (Next()) {
        if (Is(u"FieldID")) {
            field = Integer(0, std::numeric_limits<int64_t>::max());
        } else if (Is(u"Value")) {
            valueAt = Here();
            value = Text();
        } else {
            Skip();
        }
    }
    if (!field)
        return;
    if constexpr (std::is_same_v<Raw, TRawTask>) {
        if (*field == MspTaskFlag1Field) {
            raw.Flag1 = value.trimmed() == u"1" || value.trimmed() == u"true";
            return;
        }
    }
    for (std::size_t i = 0; i < 5; ++i) {
        if (texts[i] == *field)
            raw.Texts[i] = value;
        if (numbers[i] != *field)
            continue;
        const std::optional<double> number = [&]() -> std::optional<double> {
            const QByteArray digits = value.trimmed().toLatin1();
            double parsed = 0;
            const auto [stop, error] = std::from_chars(digits.begin(), digits.end(), parsed);
            if (error != std::errc() || stop != digits.end() || digits.isEmpty() || !std::isfinite(parsed))
                return std::nullopt;
            return parsed;
        }();
        if (!number)
            Fail(QStringLiteral("Im Feld Number%1 steht \"%2\", keine Zahl").arg(i + 1).arg(value), valueAt);
        raw.Numbers[i] = *number;
    }
}

void TParser::ReadTask()
{
    const TPos at = Here();
    TRawTask task;
    while (Next()) {
        if (Is(u"UID")) {
            task.UidAt = Here();
            task.Uid = Integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
        } else if (Is(u"Name")) {
            task.Name = Text();
        } else if (Is(u"OutlineLevel")) {
            task.Level = Integer(0, std::numeric_limits<int32_t>::max());
        } else if (Is(u"OutlineNumber")) {
            task.OutlineNumber = Text().trimmed();
        } else if (Is(u"Start")) {
            task.Start = Date();
        } else if (Is(u"Finish")) {
            task.Finish = Date();
        } else if (Is(u"Notes")) {
            task.Notes = Text();
        } else if (Is(u"FixedCost")) {
            task.FixedCost = Decimal() / MspCurrencyScale;
        } else if (Is(u"ConstraintType")) {
            task.ConstraintType = int(Integer(0, 7));
        } else if (Is(u"ConstraintDate")) {
            task.ConstraintDate = Date();
        } else if (Is(u"Milestone")) {
            task.Milestone = Flag();
        } else if (Is(u"PercentComplete")) {
            task.Percent = Decimal(0, 100);
        } else if (Is(u"IsNull")) {
            task.IsNull = Flag();
        } else if (Is(u"PredecessorLink")) {
            ReadLink(task);
        } else if (Is(u"ExtendedAttribute")) {
            ReadCustomValue(task, MspTaskTextFields, MspTaskNumberFields);
        } else {
            Skip();
        }
    }
    PlaceTask(task, at);
}

void TParser::ReadLink(TRawTask& task)
{
    const TPos at = Here();
    TRawLink link;
    bool haveUid = false;
    while (Next()) {
        if (Is(u"PredecessorUID")) {
            link.Uid = Integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
            haveUid = true;
        } else if (Is(u"Type")) {
            link.Type = int(Integer(0, 3));
        } else if (Is(u"LinkLag")) {
            link.Lag = Decimal(-1e12, 1e12);
        } else if (Is(u"LagFormat")) {
            link.LagFormat = int(Integer(0, 255));
        } else {
            Skip();
        }
    }
    if (!haveUid)
        Fail(QStringLiteral("Eine Vorgängerverknüpfung ohne PredecessorUID"), at);
    task.Links.push_back(link);
}

// The task's level comes from OutlineLevel, else from OutlineNumber. A level that
// skips levels makes the task a child of the one before; the project's summary
// task (level 0) and empty rows are left out.
void TParser::PlaceTask(TRawTask& task, TPos at)
{
    int64_t level = 1;
    if (task.Level)
        level = *task.Level;
    else if (!task.OutlineNumber.isEmpty())
        level = task.OutlineNumber == u"0" ? 0 : task.OutlineNumber.count(QLatin1Char('.')) + 1;
    else if (task.Uid == 0)
        level = 0;
    if (level == 0 || task.IsNull)
        return;
    const int index = int(Tasks.size());
    if (task.Uid && !TaskOfUid.emplace(*task.Uid, index).second)
        Fail(QStringLiteral("Die UID %1 kommt bei zwei Vorgängen vor").arg(*task.Uid), task.UidAt);
    const auto depth = int(std::min<int64_t>(level, int64_t(TaskPath.size()) + 1));
    if (depth > MaxDepth)
        Fail(QStringLiteral("Die Gliederung ist tiefer als %1 Ebenen").arg(MaxDepth), at);
    TaskPath.resize(std::size_t(depth - 1));
    TMspTask planned;
    planned.Parent = TaskPath.empty() ? -1 : TaskPath.back();
    TaskPath.push_back(index);
    Plan->Tasks.push_back(std::move(planned));
    Tasks.push_back(std::move(task));
}

void TParser::ReadResource()
{
    TRawResource resource;
    while (Next()) {
        if (Is(u"UID")) {
            resource.UidAt = Here();
            resource.Uid = Integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
        } else if (Is(u"Name")) {
            resource.Name = Text();
        } else if (Is(u"Type")) {
            resource.Type = int(Integer(0, 2));
        } else if (Is(u"IsNull")) {
            resource.IsNull = Flag();
        } else if (Is(u"Group")) {
            resource.GroupAt = Here();
            resource.Group = Text();
        } else if (Is(u"EmailAddress")) {
            resource.EMail = Text();
        } else if (Is(u"MaxUnits")) {
            resource.MaxUnits = Decimal(0, 1e6);
        } else if (Is(u"StandardRate")) {
            resource.StandardRate = Decimal();
        } else if (Is(u"CostPerUse")) {
            resource.CostPerUse = Decimal() / MspCurrencyScale;
        } else if (Is(u"Notes")) {
            resource.Notes = Text();
        } else if (Is(u"ExtendedAttribute")) {
            ReadCustomValue(resource, MspResourceTextFields, MspResourceNumberFields);
        } else {
            Skip();
        }
    }
    PlaceResource(resource);
}

QString WithLines(const QString& notes, const QStringList& lines)
{
    if (lines.isEmpty())
        return notes;
    return notes.isEmpty() ? lines.join(QLatin1Char('\n'))
                           : notes + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString Number(double value)
{
    return QLocale().toString(std::round(value * 100) / 100, 'g', QLocale::FloatingPointShortest);
}

// A resource in a group goes under the nearest resource of that name among the
// one before it and that one's groups (so the export's own files come back as
// they were), else under the first one of that name; a Group that names no
// resource becomes a group of its own at the top. The placeholder resource 0
// without a name and empty rows are left out.
void TParser::PlaceResource(TRawResource& resource)
{
    if (resource.IsNull || (resource.Uid == 0 && resource.Name.isEmpty()))
        return;
    int parent = -1;
    if (!resource.Group.isEmpty()) {
        for (auto it = ResourcePath.rbegin(); it != ResourcePath.rend() && parent < 0; ++it)
            if (Plan->Resources[std::size_t(*it)].Name == resource.Group)
                parent = *it;
        if (parent < 0) {
            if (const auto group = GroupOfName.find(resource.Group); group != GroupOfName.end()) {
                parent = group->second;
            } else {
                parent = int(Plan->Resources.size());
                TMspResource made;
                made.Name = resource.Group;
                Plan->Resources.push_back(made);
                GroupOfName.emplace(resource.Group, parent);
            }
        }
    }
    // The new resource's path: its groups from the top, itself last.
    std::vector<int> path;
    if (const auto on = std::find(ResourcePath.begin(), ResourcePath.end(), parent);
        on != ResourcePath.end()) {
        path.assign(ResourcePath.begin(), on + 1);
    } else {
        for (int at = parent; at >= 0; at = Plan->Resources[std::size_t(at)].Parent)
            path.push_back(at);
        std::reverse(path.begin(), path.end());
    }
    if (path.size() >= std::size_t(MaxDepth))
        Fail(QStringLiteral("Die Ressourcengruppen sind tiefer als %1 Ebenen").arg(MaxDepth),
             resource.GroupAt);
    const int index = int(Plan->Resources.size());
    if (resource.Uid && !ResourceOfUid.emplace(*resource.Uid, index).second)
        Fail(QStringLiteral("Die UID %1 kommt bei zwei Ressourcen vor").arg(*resource.Uid), resource.UidAt);

    TMspResource planned;
    planned.Parent = parent;
    planned.Name = resource.Name;
    planned.EMail = resource.EMail;
    // The file holds rates per hour, whatever unit StandardRateFormat shows them in.
    planned.CostPerHour = resource.StandardRate;
    planned.CostPerUse = resource.CostPerUse;
    planned.Members = int32_t(std::llround(resource.MaxUnits));
    if (resource.MaxUnits > 0)
        planned.Members = std::max(planned.Members, 1);
    planned.Texts = resource.Texts;
    planned.Numbers = resource.Numbers;
    QStringList lines;
    if (resource.MaxUnits != std::round(resource.MaxUnits))
        lines << QStringLiteral("Maximale Einheiten: %1 %").arg(Number(resource.MaxUnits * 100));
    if (resource.Type == 0)
        lines << QStringLiteral("Materialressource");
    if (resource.Type == 2)
        lines << QStringLiteral("Kostenressource");
    for (int i = 0; i < lines.size(); ++i)
        Plan->Report.Note(TNoted::Other);
    planned.Notes = WithLines(resource.Notes, lines);
    Plan->Resources.push_back(std::move(planned));
    GroupOfName.emplace(resource.Name, index);
    path.push_back(index);
    ResourcePath = std::move(path);
}

void TParser::ReadAssignment()
{
    TRawAssignment assignment;
    while (Next()) {
        if (Is(u"TaskUID"))
            assignment.Task =
                Integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
        else if (Is(u"ResourceUID"))
            assignment.Resource =
                Integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
        else
            Skip();
    }
    Assignments.push_back(assignment);
}

QString LinkTypeName(int type)
{
    switch (type) {
    case MspFinishFinish:
        return QStringLiteral("Ende-Ende");
    case MspStartFinish:
        return QStringLiteral("Anfang-Ende");
    case MspStartStart:
        return QStringLiteral("Anfang-Anfang");
    default:
        return QStringLiteral("Ende-Anfang");
    }
}

QString GermanDateTime(TDateTime day)
{
    const double whole = std::floor(day);
    const QTime time = QTime(0, 0).addSecs(int(std::llround((day - whole) * 86400)) % 86400);
    return DateOfDay(whole).toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') +
           time.toString(QStringLiteral("HH:mm"));
}

QString ConstraintName(int type)
{
    static const char* const names[] = {"So früh wie möglich",     "So spät wie möglich",
                                        "Muss anfangen am",        "Muss enden am",
                                        "Anfang nicht früher als", "Anfang nicht später als",
                                        "Ende nicht früher als",   "Ende nicht später als"};
    return QString::fromUtf8(names[type]);
}

// A lag in tenths of a minute, in the unit its format names ("+2 Tage").
QString LagText(double lag, int format, double minutesPerDay, double minutesPerWeek, double daysPerMonth)
{
    if (format >= 35)
        format -= 32; // the estimated formats
    const bool elapsed = (format % 2 == 0 && format >= 4 && format <= 12) || format == 20;
    const double minutes = lag / 10;
    struct TUnit
    {
        double Minutes;
        const char* One;
        const char* Many;
    };
    TUnit unit{elapsed ? 1440 : minutesPerDay, "Tag", "Tage"};
    switch (format) {
    case 3:
    case 4:
        unit = {1, "Minute", "Minuten"};
        break;
    case 5:
    case 6:
        unit = {60, "Stunde", "Stunden"};
        break;
    case 9:
    case 10:
        unit = {elapsed ? 10080 : minutesPerWeek, "Woche", "Wochen"};
        break;
    case 11:
    case 12:
        unit = {elapsed ? 43200 : minutesPerDay * daysPerMonth, "Monat", "Monate"};
        break;
    case 19:
    case 20:
        return (lag >= 0 ? QStringLiteral("+") : QString()) + Number(minutes) + QStringLiteral(" %");
    default:
        break;
    }
    const double amount = minutes / unit.Minutes;
    const QString sign = amount >= 0 ? QStringLiteral("+") : QString();
    const QString name = QString::fromUtf8(std::abs(amount) == 1 ? unit.One : unit.Many);
    return sign + Number(amount) + QLatin1Char(' ') + name +
           (elapsed ? QStringLiteral(" fortlaufend") : QString());
}

} // namespace

void TParser::ResolveTask(std::size_t i, const std::vector<bool>& hasChildren)
{
    TRawTask& raw = Tasks[i];
    TMspTask& task = Plan->Tasks[i];
    TImportReport& report = Plan->Report;
    QStringList lines;
    task.Name = raw.Name;
    for (const TRawLink& link : raw.Links) {
        const auto found = TaskOfUid.find(link.Uid);
        const int target = found == TaskOfUid.end() ? -1 : found->second;
        const QString name = target < 0 ? QStringLiteral("UID %1 (nicht in der Datei)").arg(link.Uid)
                                        : Tasks[std::size_t(target)].Name;
        const QString lag =
            link.Lag == 0 ? QString()
                          : LagText(link.Lag, link.LagFormat, MinutesPerDay, MinutesPerWeek, DaysPerMonth);
        if (task.Link < 0 && link.Type == MspFinishStart && target >= 0 && target != int(i) &&
            !hasChildren[i]) {
            task.Link = target;
            if (!lag.isEmpty()) {
                lines << QStringLiteral("Abstand zum Vorgänger: %1 (%2)").arg(name, lag);
                report.Note(TNoted::Lag);
            }
            continue;
        }
        lines << QStringLiteral("Weiterer Vorgänger: %1 (%2%3)")
                     .arg(name, LinkTypeName(link.Type),
                          lag.isEmpty() ? QString() : QStringLiteral(", ") + lag);
        report.Note(TNoted::Predecessor);
    }
    if (raw.ConstraintType != 0) {
        QString line = QStringLiteral("Einschränkung: ") + ConstraintName(raw.ConstraintType);
        if (raw.ConstraintDate && raw.ConstraintType != 1)
            line += QLatin1Char(' ') + GermanDateTime(*raw.ConstraintDate);
        lines << line;
        report.Note(TNoted::Constraint);
    }
    if (raw.Milestone) {
        lines << QStringLiteral("Meilenstein");
        report.Note(TNoted::Milestone);
    }
    if (raw.Percent != 0) {
        lines << QStringLiteral("Fertig: %1 %").arg(Number(raw.Percent));
        report.Note(TNoted::Percent);
    }
    task.Start = raw.Start ? *raw.Start : raw.Finish ? *raw.Finish : Plan->ViewStart;
    task.Finish = raw.Finish ? *raw.Finish : task.Start;
    if (task.Finish < task.Start) {
        lines << QStringLiteral("Ende vor dem Anfang: %1 (auf den Anfang gesetzt)")
                     .arg(GermanDateTime(task.Finish));
        report.Note(TNoted::Other);
        task.Finish = task.Start;
    }
    task.Notes = WithLines(raw.Notes, lines);
    task.FixedCosts = raw.FixedCost;
    // Without the flag of this program, costs are counted as the other planner
    // counts them: the work of the assigned resources belongs to a task's costs.
    const auto alias = Aliases.find(MspTaskFlag1Field);
    task.WorkCosts =
        alias != Aliases.end() && alias->second == MspWorkCostsAlias ? raw.Flag1.value_or(false) : true;
    task.Texts = raw.Texts;
    task.Numbers = raw.Numbers;
}

void TParser::Resolve()
{
    TMspPlan& plan = *Plan;
    std::optional<TDateTime> earliest;
    for (const TRawTask& task : Tasks)
        if (task.Start && (!earliest || *task.Start < *earliest))
            earliest = task.Start;
    plan.ViewStart = ProjectStart ? *ProjectStart : earliest ? *earliest : Now();
    std::vector<bool> hasChildren(Tasks.size(), false);
    for (const TMspTask& task : plan.Tasks)
        if (task.Parent >= 0)
            hasChildren[std::size_t(task.Parent)] = true;
    for (std::size_t i = 0; i < Tasks.size(); ++i)
        ResolveTask(i, hasChildren);
    for (const TRawAssignment& assignment : Assignments) {
        if (!assignment.Resource || *assignment.Resource < 0 || !assignment.Task)
            continue; // assigned to no one
        const auto task = TaskOfUid.find(*assignment.Task);
        const auto resource = ResourceOfUid.find(*assignment.Resource);
        if (task == TaskOfUid.end() || resource == ResourceOfUid.end()) {
            ++plan.Report.SkippedAssignments;
            continue;
        }
        std::vector<int>& list = plan.Tasks[std::size_t(task->second)].Resources;
        if (std::find(list.begin(), list.end(), resource->second) != list.end())
            continue;
        list.push_back(resource->second);
        ++plan.Report.Assignments;
    }
    plan.Report.Tasks = int(plan.Tasks.size());
    plan.Report.Resources = int(plan.Resources.size());
}

bool ReadMsProjectFile(const QString& name, QByteArray& bytes, QString& error)
{
    const QString tooLarge = QStringLiteral("Sie ist größer als 200 MB");
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Sie lässt sich nicht öffnen (%1)").arg(file.errorString());
        return false;
    }
    if (file.size() > MspFileLimit) {
        error = tooLarge;
        return false;
    }
    bytes.clear();
    for (;;) {
        const QByteArray chunk = file.read(ReadChunk);
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError) {
                error = QStringLiteral("Sie lässt sich nicht lesen (%1)").arg(file.errorString());
                return false;
            }
            return true;
        }
        bytes += chunk;
        if (bytes.size() > MspFileLimit) {
            error = tooLarge;
            return false;
        }
    }
}

bool ParseMsProject(const QByteArray& bytes, TMspPlan& plan, TXmlFault& fault)
{
    plan = TMspPlan();
    try {
        TParser parser(bytes);
        parser.Read(plan);
        return true;
    } catch (const EFault& failed) {
        fault = failed.Fault;
        plan = TMspPlan();
        return false;
    }
}

namespace {

template <typename Planned> void FillCustomFields(const Planned& planned, auto& rec)
{
    for (int i = 0; i < CustomFieldCount; ++i) {
        const auto slot = std::size_t(i);
        FreeText(CustomText(rec, i));
        if (!planned.Texts[slot].isEmpty())
            WideCopy(CustomText(rec, i), planned.Texts[slot]);
        CustomNumber(rec, i) = planned.Numbers[slot];
    }
}

// Replaces an owned text; an empty one leaves the field null, as in a new record.
void SetOwnedText(char16_t*& field, const QString& text)
{
    FreeText(field);
    if (!text.isEmpty())
        WideCopy(field, text);
}

// Expands every node with children, quietly: nothing is to be repainted per node.
void ExpandGroups(TOutlineTree* outline, const std::vector<TOutlineNode*>& nodes)
{
    const QSignalBlocker quiet(outline);
    for (TOutlineNode* node : nodes)
        if (node->childCount() > 0)
            SetExpanded(node, true);
}

std::vector<TOutlineNode*> BuildResources(TDocument& doc, const TMspPlan& plan)
{
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(plan.Resources.size());
    {
        const TBulkTopLevel bulk(doc, TOutlineKind::Arbeiter);
        for (const TMspResource& planned : plan.Resources) {
            TOutlineNode* node = planned.Parent < 0 ? ArbEinf(doc, nullptr)
                                                    : ArbEinfChild(doc, nodes[std::size_t(planned.Parent)]);
            nodes.push_back(node);
            TArbeiterRec& rec = ArbeiterOf(doc, node);
            ReplaceText(rec.Name, planned.Name);
            node->setText(0, planned.Name);
            SetOwnedText(rec.EMail, planned.EMail);
            rec.CostPerHour = planned.CostPerHour;
            rec.CostPerUse = planned.CostPerUse;
            rec.Members = planned.Members;
            FillCustomFields(planned, rec);
            SetOwnedText(rec.Notes, planned.Notes);
        }
    }
    ExpandGroups(doc.Arbeiter, nodes);
    return nodes;
}

std::vector<TOutlineNode*> BuildTasks(TDocument& doc, const TMspPlan& plan,
                                      const std::vector<TOutlineNode*>& resources)
{
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(plan.Tasks.size());
    {
        const TBulkTopLevel bulk(doc, TOutlineKind::Vorgang);
        for (const TMspTask& planned : plan.Tasks) {
            TOutlineNode* node = planned.Parent < 0 ? VorgEinf(doc, nullptr)
                                                    : VorgEinfChild(doc, nodes[std::size_t(planned.Parent)]);
            nodes.push_back(node);
            TVorgangRec& rec = VorgangOf(doc, node);
            ReplaceText(rec.Name, planned.Name);
            node->setText(0, planned.Name);
            rec.Beginn = planned.Start;
            rec.Ende = planned.Finish;
            rec.FixedCosts = planned.FixedCosts;
            rec.IncludeWorkCosts = planned.WorkCosts ? 1 : 0;
            FillCustomFields(planned, rec);
            SetOwnedText(rec.Notes, planned.Notes);
            for (int resource : planned.Resources)
                *static_cast<int32_t*>(rec.Resources->Append()) =
                    ArbeiterOf(doc, resources[std::size_t(resource)]).Id;
        }
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (const int link = plan.Tasks[i].Link; link >= 0)
            VorgangOf(doc, nodes[i]).Link = VorgangOf(doc, nodes[std::size_t(link)]).Id + 1;
    ExpandGroups(doc.Vorgangs, nodes);
    return nodes;
}

} // namespace

TImportReport ImportMsProject(TDocument& doc, const TMspPlan& plan)
{
    ClearProject(doc);
    TImportReport report = plan.Report;
    const std::vector<TOutlineNode*> resources = BuildResources(doc, plan);
    const std::vector<TOutlineNode*> tasks = BuildTasks(doc, plan, resources);
    doc.ViewStart = plan.ViewStart;
    // A link the recalculation cannot honour (a cycle, one through a summary task)
    // is taken away there; the notes keep it.
    Recalculate(doc);
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        TVorgangRec& rec = VorgangOf(doc, tasks[i]);
        if (const int link = plan.Tasks[i].Link; link >= 0 && rec.Link <= 0) {
            const QString line = QStringLiteral("Weiterer Vorgänger: %1 (Ende-Anfang)")
                                     .arg(plan.Tasks[std::size_t(link)].Name);
            SetOwnedText(rec.Notes, WithLines(TextOf(rec.Notes), {line}));
            report.Note(TNoted::Predecessor);
        }
    }
    return report;
}

QString ImportSummary(const TImportReport& report)
{
    auto count = [](int n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
    };
    QString text = QStringLiteral("Importiert: %1, %2, %3.")
                       .arg(count(report.Tasks, "Vorgang", "Vorgänge"),
                            count(report.Resources, "Ressource", "Ressourcen"),
                            count(report.Assignments, "Zuordnung", "Zuordnungen"));
    static const char* const kinds[NotedKinds][2] = {{"weiterer Vorgänger", "weitere Vorgänger"},
                                                     {"Abstand", "Abstände"},
                                                     {"Einschränkung", "Einschränkungen"},
                                                     {"Meilenstein", "Meilensteine"},
                                                     {"Fertigstellungsgrad", "Fertigstellungsgrade"},
                                                     {"sonstige Angabe", "sonstige Angaben"}};
    QStringList noted;
    for (int i = 0; i < NotedKinds; ++i)
        if (const int n = report.Noted[std::size_t(i)]; n > 0)
            noted << count(n, kinds[i][0], kinds[i][1]);
    if (!noted.isEmpty())
        text += QStringLiteral("\n\nIn die Notizen geschrieben, weil Zeitkant es nicht abbilden kann: ") +
                noted.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (report.SkippedAssignments > 0)
        text += QStringLiteral("\n\nÜbergangen: %1 ohne Vorgang oder Ressource in der Datei.")
                    .arg(count(report.SkippedAssignments, "Zuordnung", "Zuordnungen"));
    return text;
}
