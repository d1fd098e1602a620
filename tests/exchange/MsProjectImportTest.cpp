#include "MsProjectImport.h"

#include "DocumentFixture.h"
#include "Texts.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QByteArray Msp(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<Project xmlns=\"http://schemas.microsoft.com/project\">\n") +
            body + QStringLiteral("</Project>\n"))
        .toUtf8();
}

QString Task(int uid, int level, const char* name, const QString& more = QString())
{
    return QStringLiteral("<Task><UID>%1</UID><Name>%2</Name><OutlineLevel>%3</OutlineLevel>%4</Task>\n")
        .arg(uid)
        .arg(QString::fromUtf8(name))
        .arg(level)
        .arg(more);
}

QString Tasks(const QString& tasks)
{
    return QStringLiteral("<Tasks>\n") + tasks + QStringLiteral("</Tasks>\n");
}

QString Link(int uid, int type, int lag = 0, int format = 7)
{
    return QStringLiteral("<PredecessorLink><PredecessorUID>%1</PredecessorUID><Type>%2</Type>"
                          "<LinkLag>%3</LinkLag><LagFormat>%4</LagFormat></PredecessorLink>")
        .arg(uid)
        .arg(type)
        .arg(lag)
        .arg(format);
}

QString Dates(const char* start, const char* finish)
{
    return QStringLiteral("<Start>%1</Start><Finish>%2</Finish>")
        .arg(QLatin1String(start), QLatin1String(finish));
}

int64_t Minutes(TDateTime day)
{
    return std::llround(day * 24 * 60);
}

class MsProjectImport : public DocumentFixture
{
protected:
    TImportReport Report;

    void Import(const QByteArray& xml)
    {
        TMspPlan plan;
        TXmlFault fault;
        ASSERT_TRUE(ParseMsProject(xml, plan, fault))
            << fault.Text.toStdString() << " at " << fault.Line << ":" << fault.Column;
        Report = ImportMsProject(Doc, plan);
    }
    TOutlineNode* TaskAt(int top, int child = -1) const
    {
        TOutlineNode* node = Vorgangs.topLevelItem(top);
        return child < 0 ? node : node->child(child);
    }
    TVorgangRec& Rec(TOutlineNode* node) const { return VorgangOf(Doc, node); }
    QStringList NoteLines(TOutlineNode* node) const
    {
        return TextOf(Rec(node).Notes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    int Noted(TNoted kind) const { return Report.Noted[std::size_t(kind)]; }
};

// The first finish-to-start predecessor becomes the link; every other one, other
// kinds of links and lags are one line each of the notes, after the file's own.
TEST_F(MsProjectImport, FurtherPredecessorsOtherLinkTypesAndLagsGoIntoTheNotes)
{
    Import(Msp(Tasks(Task(1, 1, "Rohbau") + Task(2, 1, "Dach") +
                     Task(3, 1, "Ausbau",
                          QStringLiteral("<Notes>Vom Keller an</Notes>") + Link(1, 3, 9600) + Link(2, 1) +
                              Link(1, 1) + Link(2, 0, -4800, 5) + Link(99, 1)) +
                     Task(4, 1, "Fliesen", Link(3, 1, 4800, 7) + Link(2, 2, 14400, 8)))));

    EXPECT_EQ(Rec(TaskAt(2)).Link, Rec(TaskAt(1)).Id + 1);
    EXPECT_EQ(NoteLines(TaskAt(2)),
              (QStringList{QStringLiteral("Vom Keller an"),
                           QStringLiteral("Weiterer Vorgänger: Rohbau (Anfang-Anfang, +2 Tage)"),
                           QStringLiteral("Weiterer Vorgänger: Rohbau (Ende-Anfang)"),
                           QStringLiteral("Weiterer Vorgänger: Dach (Ende-Ende, -8 Stunden)"),
                           QStringLiteral("Weiterer Vorgänger: UID 99 (nicht in der Datei) (Ende-Anfang)")}));
    EXPECT_EQ(Rec(TaskAt(3)).Link, Rec(TaskAt(2)).Id + 1);
    EXPECT_EQ(NoteLines(TaskAt(3)),
              (QStringList{QStringLiteral("Abstand zum Vorgänger: Ausbau (+1 Tag)"),
                           QStringLiteral("Weiterer Vorgänger: Dach (Anfang-Ende, +1 Tag fortlaufend)")}));
    EXPECT_EQ(Noted(TNoted::Predecessor), 5);
    EXPECT_EQ(Noted(TNoted::Lag), 1);
    EXPECT_TRUE(NoteLines(TaskAt(0)).isEmpty());
    EXPECT_EQ(Rec(TaskAt(0)).Link, 0);
}

TEST_F(MsProjectImport, MilestonesConstraintsAndPercentagesGoIntoTheNotesAndAreCounted)
{
    Import(Msp(Tasks(Task(1, 1, "Abnahme",
                          QStringLiteral("<Milestone>1</Milestone><ConstraintType>4</ConstraintType>"
                                         "<ConstraintDate>2026-03-02T08:00:00</"
                                         "ConstraintDate><PercentComplete>50</PercentComplete>")) +
                     Task(2, 1, "Übergabe",
                          QStringLiteral("<Milestone>0</Milestone><ConstraintType>1</ConstraintType>")))));

    EXPECT_EQ(NoteLines(TaskAt(0)),
              (QStringList{QStringLiteral("Einschränkung: Anfang nicht früher als 02.03.2026 08:00"),
                           QStringLiteral("Meilenstein"), QStringLiteral("Fertig: 50 %")}));
    EXPECT_EQ(NoteLines(TaskAt(1)), QStringList{QStringLiteral("Einschränkung: So spät wie möglich")});
    EXPECT_EQ(ImportSummary(Report),
              QStringLiteral("Importiert: 2 Vorgänge, 0 Ressourcen, 0 Zuordnungen.\n\n"
                             "In die Notizen geschrieben, weil Zeitkant es nicht abbilden kann: "
                             "2 Einschränkungen, 1 Meilenstein, 1 Fertigstellungsgrad."));
}

// Group names the resource a resource belongs to; a Group that names no resource
// becomes a group of its own. Rates are per hour, amounts in hundredths.
TEST_F(MsProjectImport, ResourcesComeInTheirGroupsWithRatesAndAssignmentsFillTheTasks)
{
    auto resource = [](int uid, const char* name, const QString& more) {
        return QStringLiteral("<Resource><UID>%1</UID><Name>%2</Name>%3</Resource>\n")
            .arg(uid)
            .arg(QString::fromUtf8(name), more);
    };
    auto assignment = [](int task, int res) {
        return QStringLiteral("<Assignment><TaskUID>%1</TaskUID><ResourceUID>%2</ResourceUID></Assignment>")
            .arg(task)
            .arg(res);
    };
    Import(Msp(
        Tasks(Task(1, 1, "Mauern") + Task(2, 1, "Strom")) + QStringLiteral("<Resources>") +
        QStringLiteral("<Resource><UID>0</UID><ID>0</ID></Resource>") + resource(1, "Bau", {}) +
        resource(2, "Maurer",
                 QStringLiteral("<Group>Bau</Group><EmailAddress>m@example.org</EmailAddress>"
                                "<MaxUnits>3</MaxUnits><StandardRate>42.5</StandardRate>"
                                "<StandardRateFormat>3</StandardRateFormat><CostPerUse>1525</CostPerUse>")) +
        resource(3, "Polier", QStringLiteral("<Group>Bau</Group><MaxUnits>0.5</MaxUnits>")) +
        resource(4, "Elektriker", QStringLiteral("<Group>Haustechnik</Group>")) +
        resource(5, "Kabel", QStringLiteral("<Group>Haustechnik</Group><Type>0</Type>")) +
        resource(6, "Lehrling", QStringLiteral("<Group>Maurer</Group>")) + QStringLiteral("</Resources>") +
        QStringLiteral("<Assignments>") + assignment(1, 2) + assignment(1, 2) + assignment(1, 6) +
        assignment(2, 4) + assignment(2, -65535) + assignment(2, 77) + QStringLiteral("</Assignments>")));

    ASSERT_EQ(Arbeiter.topLevelItemCount(), 2);
    TOutlineNode* bau = Arbeiter.topLevelItem(0);
    TOutlineNode* haustechnik = Arbeiter.topLevelItem(1);
    EXPECT_EQ(bau->text(0), QStringLiteral("Bau"));
    ASSERT_EQ(bau->childCount(), 2);
    TOutlineNode* maurer = bau->child(0);
    EXPECT_EQ(maurer->text(0), QStringLiteral("Maurer"));
    ASSERT_EQ(maurer->childCount(), 1);
    EXPECT_EQ(maurer->child(0)->text(0), QStringLiteral("Lehrling"));
    EXPECT_EQ(bau->child(1)->text(0), QStringLiteral("Polier"));
    EXPECT_EQ(haustechnik->text(0), QStringLiteral("Haustechnik"));
    ASSERT_EQ(haustechnik->childCount(), 2);
    EXPECT_TRUE(IsExpanded(bau) && IsExpanded(maurer) && IsExpanded(haustechnik));

    const TArbeiterRec& m = ArbeiterOf(Doc, maurer);
    EXPECT_EQ(TextOf(m.Name), QStringLiteral("Maurer"));
    EXPECT_EQ(TextOf(m.EMail), QStringLiteral("m@example.org"));
    EXPECT_EQ(m.CostPerHour, 42.5);
    EXPECT_EQ(m.CostPerUse, 15.25);
    EXPECT_EQ(m.Members, 3);
    const TArbeiterRec& polier = ArbeiterOf(Doc, bau->child(1));
    EXPECT_EQ(polier.Members, 1);
    EXPECT_EQ(TextOf(polier.Notes), QStringLiteral("Maximale Einheiten: 50 %"));
    EXPECT_EQ(TextOf(ArbeiterOf(Doc, haustechnik->child(1)).Notes), QStringLiteral("Materialressource"));

    auto ids = [&](TOutlineNode* task) {
        std::vector<int32_t> list;
        for (uint32_t i = 0; i < Rec(task).Resources->Count; ++i)
            list.push_back(*static_cast<const int32_t*>(Rec(task).Resources->At(i)));
        return list;
    };
    EXPECT_EQ(ids(TaskAt(0)), (std::vector<int32_t>{m.Id, ArbeiterOf(Doc, maurer->child(0)).Id}));
    EXPECT_EQ(ids(TaskAt(1)), std::vector<int32_t>{ArbeiterOf(Doc, haustechnik->child(0)).Id});
    EXPECT_EQ(Report.Resources, 7);
    EXPECT_EQ(Report.Assignments, 3);
    EXPECT_EQ(Report.SkippedAssignments, 1);
    EXPECT_EQ(Noted(TNoted::Other), 2);
}

// Without names, dates, levels or UIDs a file still comes in: levels from the
// outline numbers, dates from the project's start, no resources at all.
TEST_F(MsProjectImport, MissingOptionalElementsTakeDefaults)
{
    Import(Msp(QStringLiteral("<StartDate>2026-03-02T08:00:00</StartDate>") +
               Tasks(QStringLiteral(
                   "<Task><OutlineNumber>1</OutlineNumber></Task>"
                   "<Task><OutlineNumber>1.1</OutlineNumber><Finish>2026-03-04T17:00:00</Finish></Task>"
                   "<Task><OutlineNumber>1.2</OutlineNumber><Name>ohne UID</Name>"
                   "<Start>2026-03-05T08:00:00</Start></Task>"
                   "<Task><UID>7</UID></Task>"))));
    ASSERT_EQ(Vorgangs.topLevelItemCount(), 2);
    ASSERT_EQ(TaskAt(0)->childCount(), 2);
    EXPECT_EQ(TaskAt(0)->text(0), QString());
    EXPECT_EQ(TaskAt(0, 1)->text(0), QStringLiteral("ohne UID"));
    EXPECT_EQ(Minutes(Rec(TaskAt(0, 0)).Beginn), Minutes(Rec(TaskAt(0, 0)).Ende)) << "from its finish";
    EXPECT_EQ(Minutes(Rec(TaskAt(0, 1)).Ende), Minutes(46086 + 8.0 / 24)) << "ends where it starts";
    EXPECT_EQ(Minutes(Rec(TaskAt(1)).Beginn), Minutes(46083 + 8.0 / 24)) << "the project's start";
    EXPECT_EQ(Minutes(Rec(TaskAt(0)).Beginn), Minutes(46085 + 17.0 / 24)) << "spans its children";
    EXPECT_EQ(Minutes(Doc.ViewStart), Minutes(46083 + 8.0 / 24));
    EXPECT_EQ(Arbeiter.topLevelItemCount(), 0);
}

TEST_F(MsProjectImport, DatesWithAndWithoutTimeZonesBecomeLocalTime)
{
    Import(Msp(Tasks(Task(1, 1, "lokal", Dates("2026-03-02T08:00:00", "2026-03-02T17:00:00")) +
                     Task(2, 1, "UTC", Dates("2026-03-02T07:00:00Z", "2026-07-01T15:00:00.000Z")) +
                     Task(3, 1, "Indien", Dates("2026-03-02T12:30:00+05:30", "2026-03-03")))));
    EXPECT_EQ(Minutes(Rec(TaskAt(0)).Beginn), Minutes(46083 + 8.0 / 24));
    EXPECT_EQ(Minutes(Rec(TaskAt(0)).Ende), Minutes(46083 + 17.0 / 24));
    EXPECT_EQ(Minutes(Rec(TaskAt(1)).Beginn), Minutes(46083 + 8.0 / 24));
    EXPECT_EQ(Minutes(Rec(TaskAt(1)).Ende), Minutes(46204 + 17.0 / 24));
    EXPECT_EQ(Minutes(Rec(TaskAt(2)).Beginn), Minutes(46083 + 8.0 / 24));
    EXPECT_EQ(Minutes(Rec(TaskAt(2)).Ende), Minutes(46084));
}

// Levels that skip levels nest one deeper than the task before; the project's
// summary task and empty rows stay out; a huge level is no deeper either.
TEST_F(MsProjectImport, SkippedLevelsNestUnderTheTaskBefore)
{
    Import(Msp(Tasks(Task(0, 0, "Projekt") + Task(1, 1, "A") + Task(2, 3, "B") + Task(3, 2000000000, "C") +
                     QStringLiteral("<Task><UID>9</UID><IsNull>1</IsNull></Task>") + Task(4, 2, "D"))));
    ASSERT_EQ(Vorgangs.topLevelItemCount(), 1);
    TOutlineNode* a = TaskAt(0);
    EXPECT_EQ(a->text(0), QStringLiteral("A"));
    ASSERT_EQ(a->childCount(), 2);
    EXPECT_EQ(a->child(0)->text(0), QStringLiteral("B"));
    ASSERT_EQ(a->child(0)->childCount(), 1);
    EXPECT_EQ(a->child(0)->child(0)->text(0), QStringLiteral("C"));
    EXPECT_EQ(a->child(1)->text(0), QStringLiteral("D"));
    EXPECT_EQ(Report.Tasks, 4);
}

// Links Zeitkant cannot honour are taken away by the recalculation; the notes
// keep them: a cycle, a task that follows itself, the link of a summary task.
TEST_F(MsProjectImport, LinksThatCannotStandAreKeptInTheNotes)
{
    Import(Msp(Tasks(Task(1, 1, "A", Dates("2026-03-02T08:00:00", "2026-03-03T08:00:00") + Link(2, 1)) +
                     Task(2, 1, "B", Dates("2026-03-04T08:00:00", "2026-03-05T08:00:00") + Link(1, 1)) +
                     Task(3, 1, "C", Link(3, 1)) + Task(4, 1, "Sammel", Link(1, 1)) + Task(5, 2, "D"))));
    const bool aLinked = Rec(TaskAt(0)).Link > 0, bLinked = Rec(TaskAt(1)).Link > 0;
    EXPECT_NE(aLinked, bLinked) << "the cycle is cut once";
    EXPECT_EQ(NoteLines(TaskAt(aLinked ? 1 : 0)),
              QStringList{QStringLiteral("Weiterer Vorgänger: %1 (Ende-Anfang)")
                              .arg(aLinked ? QStringLiteral("A") : QStringLiteral("B"))});
    EXPECT_EQ(NoteLines(TaskAt(2)), QStringList{QStringLiteral("Weiterer Vorgänger: C (Ende-Anfang)")});
    EXPECT_EQ(Rec(TaskAt(3)).Link, 0);
    EXPECT_EQ(NoteLines(TaskAt(3)), QStringList{QStringLiteral("Weiterer Vorgänger: A (Ende-Anfang)")});
    EXPECT_EQ(Noted(TNoted::Predecessor), 3);
}

TEST_F(MsProjectImport, ATaskThatEndsBeforeItStartsEndsAtItsStart)
{
    Import(Msp(Tasks(Task(1, 1, "rückwärts", Dates("2026-03-05T08:00:00", "2026-03-02T12:00:00")))));
    EXPECT_EQ(Minutes(Rec(TaskAt(0)).Ende), Minutes(Rec(TaskAt(0)).Beginn));
    EXPECT_EQ(NoteLines(TaskAt(0)),
              QStringList{QStringLiteral("Ende vor dem Anfang: 02.03.2026 12:00 (auf den Anfang gesetzt)")});
}

// This program's own Flag1 carries the setting; files of other planners count the
// work of the assigned resources into a task's costs, as they do.
TEST_F(MsProjectImport, WorkCostsFollowTheFlagOfThisProgramElseAreIncluded)
{
    const QString flag = QStringLiteral("<ExtendedAttribute><FieldID>188743752</FieldID><Value>1</Value>"
                                        "</ExtendedAttribute><FixedCost>12345</FixedCost>");
    const QString definition =
        QStringLiteral("<ExtendedAttributes><ExtendedAttribute><FieldID>188743752</FieldID>"
                       "<FieldName>Flag1</FieldName><Alias>Arbeitszeitkosten einbeziehen</Alias>"
                       "</ExtendedAttribute></ExtendedAttributes>");
    Import(Msp(definition + Tasks(Task(1, 1, "mit", flag) + Task(2, 1, "ohne"))));
    EXPECT_EQ(Rec(TaskAt(0)).IncludeWorkCosts, 1);
    EXPECT_EQ(Rec(TaskAt(0)).FixedCosts, 123.45);
    EXPECT_EQ(Rec(TaskAt(1)).IncludeWorkCosts, 0);

    Import(Msp(Tasks(Task(1, 1, "fremd"))));
    EXPECT_EQ(Rec(TaskAt(0)).IncludeWorkCosts, 1);
}

struct TFaultCase
{
    const char* What;
    QString Xml;
    const char* Text;
    qint64 Line;
    qint64 Column; // 0: not checked
};

// Each file is refused whole, with one German reason and the place of the fault.
TEST(MsProjectImportFaults, FaultyFilesAreRefusedWithLineAndColumn)
{
    const QString head =
        QStringLiteral("<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n");
    const TFaultCase cases[] = {
        {"ends early", head + QStringLiteral("<Task><UID>1</UID>\n"), "Die Datei endet mitten im XML", 4, 1},
        {"tags mismatch", head + QStringLiteral("<Task><Name>a</Nam></Task>"), "Kein wohlgeformtes XML", 3,
         0},
        {"bare ampersand", head + QStringLiteral("<Task>\n<Name>a & b</Name>"), "Kein wohlgeformtes XML", 4,
         0},
        {"after the root", head + QStringLiteral("</Tasks></Project>\nRest"), "Kein wohlgeformtes XML", 4, 0},
        {"empty", QString(), "Die Datei endet mitten im XML", 1, 0},
        {"doctype", QStringLiteral("<!DOCTYPE Project [<!ENTITY a \"aaaa\">]>\n<Project><Tasks/></Project>"),
         "Dokumenttypdeklarationen", 1, 0},
        {"other root", QStringLiteral("<?xml version=\"1.0\"?>\n<Plan/>"), "Wurzelelement heißt Plan", 2, 0},
        {"no tasks", QStringLiteral("<Project>\n<Resources/>\n</Project>"), "Das Element Tasks fehlt", 3, 11},
        {"UID not a number", head + QStringLiteral("<Task><UID>abc</UID></Task>"),
         "Im Element UID steht \"abc\", keine ganze Zahl", 3, 12},
        {"UID twice", head + QStringLiteral("<Task><UID>4</UID></Task>\n<Task><UID>4</UID></Task>"),
         "Die UID 4 kommt bei zwei Vorgängen vor", 4, 12},
        {"before 1900", head + QStringLiteral("<Task><Start>1899-12-31T08:00:00</Start></Task>"),
         "außerhalb der Jahre 1900 bis 9998", 3, 14},
        {"after 9998", head + QStringLiteral("<Task><Finish>9999-06-01T08:00:00</Finish></Task>"),
         "außerhalb der Jahre 1900 bis 9998", 3, 15},
        {"no date", head + QStringLiteral("<Task><Start>gestern</Start></Task>"), "kein Datum mit Uhrzeit", 3,
         14},
        {"too large", head + QStringLiteral("<Task><FixedCost>1e999</FixedCost></Task>"),
         "Im Element FixedCost steht \"1e999\", keine Zahl", 3, 18},
        {"not a number", head + QStringLiteral("<Task><FixedCost>nan</FixedCost></Task>"), "keine Zahl", 3,
         18},
        {"negative level", head + QStringLiteral("<Task><OutlineLevel>-1</OutlineLevel></Task>"),
         "Im Element OutlineLevel liegt -1 außerhalb von 0 bis 2147483647", 3, 21},
        {"link type",
         head + QStringLiteral("<Task><PredecessorLink><PredecessorUID>1</PredecessorUID><Type>9</Type>"),
         "Im Element Type liegt 9 außerhalb von 0 bis 3", 3, 64},
        {"link to no one",
         head + QStringLiteral("<Task><PredecessorLink><Type>1</Type></PredecessorLink></Task>"),
         "Eine Vorgängerverknüpfung ohne PredecessorUID", 3, 24},
        {"custom number",
         head + QStringLiteral("<Task><ExtendedAttribute><FieldID>188743767</FieldID><Value>zwölf</Value>"
                               "</ExtendedAttribute></Task>"),
         "Im Feld Number1 steht \"zwölf\", keine Zahl", 3, 61},
        {"units", QStringLiteral("<Project><Tasks/><Resources><Resource>\n<MaxUnits>1e9</MaxUnits>"),
         "Im Element MaxUnits liegt 1e9 außerhalb", 2, 11},
        {"flag", head + QStringLiteral("<Task><Milestone>ja</Milestone></Task>"),
         "Im Element Milestone steht \"ja\" statt 0 oder 1", 3, 18},
    };
    for (const TFaultCase& c : cases) {
        SCOPED_TRACE(c.What);
        TMspPlan plan;
        TXmlFault fault;
        ASSERT_FALSE(ParseMsProject(c.Xml.toUtf8(), plan, fault));
        EXPECT_TRUE(fault.Text.contains(QString::fromUtf8(c.Text))) << fault.Text.toStdString();
        EXPECT_EQ(fault.Line, c.Line);
        if (c.Column > 0) {
            EXPECT_EQ(fault.Column, c.Column);
        }
        EXPECT_TRUE(plan.Tasks.empty() && plan.Resources.empty());
    }
}

// One task more than the outlines take is refused, for tasks by their levels as
// for resources by their groups.
TEST(MsProjectImportFaults, OutlinesDeeperThanTenThousandLevelsAreRefused)
{
    QString tasks, resources;
    for (int level = 1; level <= 10001; ++level) {
        tasks += QStringLiteral("<Task><OutlineLevel>%1</OutlineLevel></Task>\n").arg(level);
        resources += QStringLiteral("<Resource><Name>R%1</Name><Group>R%2</Group></Resource>\n")
                         .arg(level)
                         .arg(level - 1);
    }
    TMspPlan plan;
    TXmlFault fault;
    ASSERT_FALSE(ParseMsProject(Msp(Tasks(tasks)), plan, fault));
    EXPECT_EQ(fault.Text, QStringLiteral("Die Gliederung ist tiefer als 10000 Ebenen"));
    EXPECT_EQ(fault.Line, 10004);
    ASSERT_FALSE(ParseMsProject(Msp(Tasks({}) + QStringLiteral("<Resources>\n") + resources), plan, fault));
    EXPECT_EQ(fault.Text, QStringLiteral("Die Ressourcengruppen sind tiefer als 10000 Ebenen"));
    EXPECT_EQ(fault.Line, 10005);
}

TEST(MsProjectImportFaults, FilesOverTwoHundredMegabytesAreNotRead)
{
    QTemporaryDir dir;
    QFile big(dir.filePath(QStringLiteral("gross.xml")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(MspFileLimit + 1)); // sparse: no disk is filled
    big.close();
    QByteArray bytes;
    QString error;
    EXPECT_FALSE(ReadMsProjectFile(big.fileName(), bytes, error));
    EXPECT_EQ(error, QStringLiteral("Sie ist größer als 200 MB"));
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_FALSE(ReadMsProjectFile(dir.filePath(QStringLiteral("fehlt.xml")), bytes, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Sie lässt sich nicht öffnen"))) << error.toStdString();
}

} // namespace
