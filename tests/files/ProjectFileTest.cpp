#include "ProjectFile.h"

#include "Outline.h"
#include "Printers.h"
#include "TestProject.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <bit>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

// A document on its own two outlines; several can live side by side.
struct TProject : TTestProject
{
    TProject() : TTestProject(99) {}
};

// Builds file bytes value by value, independently of the writer.
class TBytes
{
public:
    QByteArray Data;

    TBytes& I32(int32_t value)
    {
        char bytes[4];
        qToLittleEndian<qint32>(value, bytes);
        Data.append(bytes, 4);
        return *this;
    }
    TBytes& F64(double value)
    {
        char bytes[8];
        qToLittleEndian<quint64>(std::bit_cast<quint64>(value), bytes);
        Data.append(bytes, 8);
        return *this;
    }
    TBytes& Text(const QString& text)
    {
        I32(int32_t(text.size()));
        for (QChar c : text) {
            Data.append(char(c.unicode() & 0xff));
            Data.append(char(c.unicode() >> 8));
        }
        return *this;
    }
    TBytes& Texts(std::initializer_list<QString> texts)
    {
        for (const QString& text : texts)
            Text(text);
        return *this;
    }
    // A record image of size bytes, zero but for the given fields.
    TBytes& Image(int size, std::initializer_list<std::pair<int, QByteArray>> fields)
    {
        QByteArray image(size, '\0');
        for (const auto& [offset, bytes] : fields)
            image.replace(offset, bytes.size(), bytes);
        Data.append(image);
        return *this;
    }
};

QByteArray I32Bytes(int32_t value)
{
    return TBytes().I32(value).Data;
}
QByteArray F64Bytes(double value)
{
    return TBytes().F64(value).Data;
}

// A task image with the fields the tests vary.
TBytes& Task(TBytes& out, int32_t id, int32_t link = 0, uint8_t deleted = 0)
{
    return out.Image(144, {{0, QByteArray(1, char(deleted))}, {4, I32Bytes(id)}, {36, I32Bytes(link)}});
}
TBytes& Resource(TBytes& out, int32_t id, uint8_t deleted = 0)
{
    return out.Image(104, {{0, QByteArray(1, char(deleted))}, {4, I32Bytes(id)}});
}
// A whole task entry: image, seven texts and the resource list.
TBytes& TaskEntry(TBytes& out, int32_t id, const QString& name, std::vector<int32_t> resources = {},
                  int32_t link = 0)
{
    Task(out, id, link).Texts({name, {}, {}, {}, {}, {}, {}});
    out.I32(int32_t(resources.size()));
    for (int32_t resource : resources)
        out.I32(resource);
    return out;
}
TBytes& ResourceEntry(TBytes& out, int32_t id, const QString& name)
{
    return Resource(out, id).Texts({name, {}, {}, {}, {}, {}, {}, {}});
}

std::string TextField(const char16_t* text)
{
    return text ? TextOf(text).toStdString() : std::string("<null>");
}

// One line per node in pre-order with its depth, caption, expanded state and the
// stored fields of its record: equal lines mean equal documents.
std::vector<std::string> Describe(const TDocument& doc)
{
    std::vector<std::string> lines;
    for (TOutlineIterator it(doc.Vorgangs); *it; ++it) {
        int depth = 0;
        for (TOutlineNode* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        const TVorgangRec& r = VorgangOf(doc, *it);
        std::string line = "T" + std::to_string(depth) + " " + (*it)->text(0).toStdString() +
                           ((*it)->isExpanded() ? " +" : " -") + " id=" + std::to_string(r.Id) +
                           " del=" + std::to_string(r.Deleted) + " name=" + TextField(r.Name) +
                           " b=" + std::to_string(r.Beginn) + " e=" + std::to_string(r.Ende) +
                           " link=" + std::to_string(r.Link) + " sum=" + std::to_string(r.IsSummary) +
                           " work=" + std::to_string(r.IncludeWorkCosts) +
                           " fix=" + std::to_string(r.FixedCosts) + " notes=" + TextOf(r.Notes).toStdString();
        for (int i = 0; i < CustomFieldCount; ++i)
            line += " t" + TextOf(CustomText(const_cast<TVorgangRec&>(r), i)).toStdString() + " z" +
                    std::to_string(CustomNumber(const_cast<TVorgangRec&>(r), i));
        line += " res=";
        for (uint32_t i = 0; i < r.Resources->Count; ++i)
            line += std::to_string(*static_cast<const int32_t*>(r.Resources->At(i))) + ",";
        lines.push_back(line);
    }
    for (TOutlineIterator it(doc.Arbeiter); *it; ++it) {
        int depth = 0;
        for (TOutlineNode* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        TArbeiterRec& r = ArbeiterOf(doc, *it);
        std::string line = "R" + std::to_string(depth) + " " + (*it)->text(0).toStdString() +
                           ((*it)->isExpanded() ? " +" : " -") + " id=" + std::to_string(r.Id) +
                           " name=" + TextField(r.Name) + " mail=" + TextOf(r.EMail).toStdString() +
                           " h=" + std::to_string(r.CostPerHour) + " u=" + std::to_string(r.CostPerUse) +
                           " m=" + std::to_string(r.Members) + " notes=" + TextOf(r.Notes).toStdString();
        for (int i = 0; i < CustomFieldCount; ++i)
            line += " t" + TextOf(CustomText(r, i)).toStdString() + " z" + std::to_string(CustomNumber(r, i));
        lines.push_back(line);
    }
    lines.push_back("view=" + std::to_string(doc.ViewStart));
    return lines;
}

// A document must stay safe after any load: every node bound to a live record
// whose name is its caption; it can be edited, written, read back and cleared.
void ExpectSafe(TProject& project)
{
    TDocument& doc = project.Doc;
    for (TOutlineIterator it(doc.Vorgangs); *it; ++it) {
        ASSERT_LT(RecordIndex(*it), doc.VorgangStore->Count);
        const TVorgangRec& rec = VorgangOf(doc, *it);
        EXPECT_EQ(rec.Deleted, 0);
        ASSERT_NE(rec.Resources, nullptr);
        EXPECT_EQ(TextOf(rec.Name), (*it)->text(0));
    }
    for (TOutlineIterator it(doc.Arbeiter); *it; ++it) {
        ASSERT_LT(RecordIndex(*it), doc.ArbeiterStore->Count);
        EXPECT_EQ(ArbeiterOf(doc, *it).Deleted, 0);
        EXPECT_EQ(TextOf(ArbeiterOf(doc, *it).Name), (*it)->text(0));
    }
    VorgEinfChild(doc, doc.Vorgangs->topLevelItem(0));
    ArbEinf(doc, nullptr);
    const QByteArray written = WriteProject(doc);
    TProject again;
    ReadProject(again.Doc, written);
    EXPECT_EQ(Describe(again.Doc), Describe(doc));
    ClearProject(doc);
    EXPECT_EQ(doc.VorgangStore->Count, 0u);
}

std::string LoadError(TProject& project, const QByteArray& bytes)
{
    try {
        ReadProject(project.Doc, bytes);
    } catch (const EProjectFile& e) {
        return e.what();
    }
    return "loaded";
}

// Sets a record's name and its node's caption together.
void Name(TOutlineNode* node, char16_t*& name, const QString& text)
{
    FreeText(name);
    WideCopy(name, text);
    node->setText(0, text);
}

// Two tasks (the first with a child), two resources, every stored field set.
void BuildGoldenProject(TDocument& doc)
{
    TOutlineNode* bau = VorgEinf(doc, nullptr);
    TOutlineNode* keller = VorgEinfChild(doc, bau);
    TOutlineNode* dach = VorgEinf(doc, bau);
    TOutlineNode* anna = ArbEinf(doc, nullptr);
    TOutlineNode* bernd = ArbEinf(doc, nullptr);

    TVorgangRec& b = VorgangOf(doc, bau);
    Name(bau, b.Name, QStringLiteral("Bau"));
    b.Beginn = 46000.25;
    b.Ende = 46003.5;
    b.Zahl1 = 1.5;
    b.Zahl5 = -2;
    b.IsSummary = 1;
    b.Visited = 1;
    b.IncludeWorkCosts = 1;
    b.FixedCosts = 99.75;
    WideCopy(b.Text3, QStringLiteral("ä€"));
    WideCopy(b.Notes, QStringLiteral("Notiz"));
    *static_cast<int32_t*>(b.Resources->Append()) = 1;
    *static_cast<int32_t*>(b.Resources->Append()) = 0;

    TVorgangRec& k = VorgangOf(doc, keller);
    Name(keller, k.Name, QStringLiteral("Keller"));
    k.Beginn = 46001;
    k.Ende = 46002;
    k.Link = 3;
    WideCopy(k.Text1, QString());

    TVorgangRec& d = VorgangOf(doc, dach);
    Name(dach, d.Name, QString());
    d.Beginn = d.Ende = 46010;

    TArbeiterRec& a = ArbeiterOf(doc, anna);
    Name(anna, a.Name, QStringLiteral("Anna"));
    WideCopy(a.EMail, QStringLiteral("a@b.de"));
    a.CostPerHour = 40.5;
    a.CostPerUse = 5;
    a.Members = 3;
    a.Zahl2 = 7;
    WideCopy(a.Text5, QStringLiteral("T5"));
    WideCopy(a.Notes, QStringLiteral("N"));
    TArbeiterRec& r2 = ArbeiterOf(doc, bernd);
    Name(bernd, r2.Name, QStringLiteral("Bernd"));

    bau->setExpanded(true);
    keller->setExpanded(true);
    doc.ViewStart = 46001.5;
}

QByteArray GoldenBytes()
{
    TBytes out;
    out.I32(1);
    out.Image(144, {{4, I32Bytes(0)},
                    {16, F64Bytes(46000.25)},
                    {24, F64Bytes(46003.5)},
                    {64, F64Bytes(1.5)},
                    {96, F64Bytes(-2)},
                    {104, QByteArray(1, '\1')},
                    {106, QByteArray(1, '\1')},
                    {112, F64Bytes(99.75)}});
    out.Texts({QStringLiteral("Bau"), {}, {}, QStringLiteral("ä€"), {}, {}, QStringLiteral("Notiz")});
    out.I32(2).I32(1).I32(0);
    out.I32(1);
    out.Image(144, {{4, I32Bytes(1)}, {16, F64Bytes(46001)}, {24, F64Bytes(46002)}, {36, I32Bytes(3)}});
    out.Texts({QStringLiteral("Keller"), {}, {}, {}, {}, {}, {}}).I32(0);
    out.I32(0).I32(0);
    out.I32(1);
    out.Image(144, {{4, I32Bytes(2)}, {16, F64Bytes(46010)}, {24, F64Bytes(46010)}});
    out.Texts({{}, {}, {}, {}, {}, {}, {}}).I32(0);
    out.I32(0).I32(0);
    out.I32(1);
    out.Image(
        104,
        {{4, I32Bytes(0)}, {16, F64Bytes(40.5)}, {24, F64Bytes(5)}, {32, I32Bytes(3)}, {64, F64Bytes(7)}});
    out.Texts({QStringLiteral("Anna"),
               QStringLiteral("a@b.de"),
               {},
               {},
               {},
               {},
               QStringLiteral("T5"),
               QStringLiteral("N")});
    out.I32(0).I32(1);
    out.Image(104, {{4, I32Bytes(1)}});
    out.Texts({QStringLiteral("Bernd"), {}, {}, {}, {}, {}, {}, {}});
    out.I32(0).I32(0);
    out.F64(46001.5);
    out.I32(1).I32(1).I32(1).I32(0);
    out.I32(1).I32(0).I32(0);
    return out.Data;
}

TEST(ProjectFile, WritesEveryFieldAtItsOffset)
{
    TProject project;
    BuildGoldenProject(project.Doc);
    const QByteArray written = WriteProject(project.Doc);
    const QByteArray golden = GoldenBytes();
    ASSERT_EQ(written.size(), golden.size());
    for (qsizetype i = 0; i < golden.size(); ++i)
        ASSERT_EQ(uint8_t(written[i]), uint8_t(golden[i])) << "first difference at byte " << i;
}

TEST(ProjectFile, ReadsTheGoldenFileBack)
{
    TProject original;
    BuildGoldenProject(original.Doc);
    TProject loaded;
    ReadProject(loaded.Doc, GoldenBytes());
    EXPECT_EQ(Describe(loaded.Doc), Describe(original.Doc));
    const TVorgangRec& bau = loaded.Doc.VorgangAt(0);
    EXPECT_EQ(bau.Visited, 0) << "the scratch byte is neither written nor read";
    EXPECT_EQ(bau.Node, loaded.Doc.Vorgangs->topLevelItem(0))
        << "the file's slot is not read; the node is bound";
    EXPECT_EQ(loaded.Doc.Vorgangs->topLevelItem(1)->text(0), QString())
        << "an empty name is an empty caption";
    EXPECT_NE(loaded.Doc.VorgangAt(2).Name, nullptr);
    EXPECT_EQ(TextField(loaded.Doc.VorgangAt(1).Text1), "") << "an empty text loads as empty, not null";
}

TEST(ProjectFile, EmptyProjectIsTwentyFourBytes)
{
    TProject project;
    project.Doc.ViewStart = 46365.75;
    const QByteArray written = WriteProject(project.Doc);
    EXPECT_EQ(written, TBytes().I32(0).I32(0).F64(46365.75).I32(0).I32(0).Data);

    TProject loaded;
    ReadProject(loaded.Doc, written);
    EXPECT_EQ(loaded.Vorgangs.topLevelItemCount(), 0);
    EXPECT_EQ(loaded.Arbeiter.topLevelItemCount(), 0);
    EXPECT_EQ(loaded.Doc.ViewStart, 46365.75);
}

TEST(ProjectFile, DeletedTasksAreLeftOutAndIdsAndLinksKept)
{
    TProject project;
    TDocument& doc = project.Doc;
    TOutlineNode* first = VorgEinf(doc, nullptr);
    TOutlineNode* second = VorgEinf(doc, nullptr);
    TOutlineNode* third = VorgEinf(doc, nullptr);
    VorgEinfChild(doc, first);
    VorgangOf(doc, third).Link = 4; // follows the child, Id 3
    RemoveNode(doc, TOutlineKind::Vorgang, second);

    TProject loaded;
    ReadProject(loaded.Doc, WriteProject(doc));
    ASSERT_EQ(loaded.Doc.VorgangStore->Count, 3u);
    EXPECT_EQ(loaded.Doc.VorgangAt(0).Id, 0);
    EXPECT_EQ(loaded.Doc.VorgangAt(1).Id, 3) << "store order is the outline's pre-order";
    EXPECT_EQ(loaded.Doc.VorgangAt(2).Id, 2);
    EXPECT_EQ(loaded.Doc.VorgangAt(2).Link, 4);
    EXPECT_EQ(RecordIndex(loaded.Vorgangs.topLevelItem(1)), 2u);
    EXPECT_EQ(Describe(loaded.Doc), Describe(doc));
}

TEST(ProjectFile, NothingIsRecalculatedWhenLoading)
{
    TProject project;
    TOutlineNode* parent = VorgEinf(project.Doc, nullptr);
    TOutlineNode* child = VorgEinfChild(project.Doc, parent);
    VorgangOf(project.Doc, parent).Beginn = 100;
    VorgangOf(project.Doc, parent).Ende = 101;
    VorgangOf(project.Doc, parent).IsSummary = 0;
    VorgangOf(project.Doc, child).Beginn = 500;
    VorgangOf(project.Doc, child).Ende = 400;
    VorgangOf(project.Doc, child).Link = 77;

    TProject loaded;
    ReadProject(loaded.Doc, WriteProject(project.Doc));
    const TVorgangRec& p = loaded.Doc.VorgangAt(0);
    const TVorgangRec& c = loaded.Doc.VorgangAt(1);
    EXPECT_EQ(p.Beginn, 100);
    EXPECT_EQ(p.Ende, 101);
    EXPECT_EQ(p.IsSummary, 0);
    EXPECT_EQ(c.Beginn, 500);
    EXPECT_EQ(c.Ende, 400);
    EXPECT_EQ(c.Link, 77) << "a link to no task is kept for the recalculation to drop";
}

TEST(ProjectFile, ExpansionOfLeavesAndOfNodesInsideCollapsedNodes)
{
    TProject project;
    TOutlineNode* top = VorgEinf(project.Doc, nullptr);
    TOutlineNode* middle = VorgEinfChild(project.Doc, top);
    TOutlineNode* leaf = VorgEinfChild(project.Doc, middle);
    middle->setExpanded(true);
    leaf->setExpanded(true);
    ASSERT_FALSE(top->isExpanded());

    TProject loaded;
    ReadProject(loaded.Doc, WriteProject(project.Doc));
    TOutlineNode* loadedTop = loaded.Vorgangs.topLevelItem(0);
    EXPECT_FALSE(loadedTop->isExpanded());
    EXPECT_TRUE(loadedTop->child(0)->isExpanded());
    EXPECT_TRUE(loadedTop->child(0)->child(0)->isExpanded());
}

TEST(ProjectFile, LabelsAndTrailingBytesDoNotMatter)
{
    TProject project;
    BuildGoldenProject(project.Doc);
    FreeText(project.Doc.VorgangFieldLabels[0]);
    WideCopy(project.Doc.VorgangFieldLabels[0], QStringLiteral("Gewerk"));
    const QByteArray written = WriteProject(project.Doc);
    EXPECT_FALSE(written.contains("G\0e\0w")) << "labels are not stored";

    TProject loaded;
    FreeText(loaded.Doc.ArbeiterFieldLabels[9]);
    WideCopy(loaded.Doc.ArbeiterFieldLabels[9], QStringLiteral("Stufe"));
    ReadProject(loaded.Doc, written + QByteArray("\x07garbage", 8));
    EXPECT_EQ(Describe(loaded.Doc), Describe(project.Doc));
    EXPECT_EQ(TextOf(loaded.Doc.ArbeiterFieldLabels[9]), QStringLiteral("Stufe"));
    EXPECT_EQ(TextOf(loaded.Doc.VorgangFieldLabels[0]), QStringLiteral("Text 1"));
}

QString RandomText(std::mt19937& random)
{
    static const QString alphabet = QStringLiteral("abcXYZ äöüß€\U0001F600");
    QString text;
    const int length = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < length; ++i)
        text += alphabet.at(std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(random));
    return text;
}

double RandomNumber(std::mt19937& random)
{
    return std::uniform_real_distribution<double>(-1e6, 1e6)(random);
}

// Random outlines with deletions, texts (empty and absent), links, resource
// lists and expanded states.
void BuildRandomProject(TDocument& doc, std::mt19937& random)
{
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    for (TOutlineKind kind : {TOutlineKind::Vorgang, TOutlineKind::Arbeiter}) {
        std::vector<TOutlineNode*> nodes;
        const int count = pick(40);
        for (int i = 0; i < count; ++i) {
            TOutlineNode* at =
                nodes.empty() || pick(4) == 0 ? nullptr : nodes[std::size_t(pick(int(nodes.size())))];
            nodes.push_back(InsertNode(doc, kind, at, pick(2) == 0));
        }
        if (!nodes.empty() && pick(2) == 0) {
            TOutlineNode* victim = nodes[std::size_t(pick(int(nodes.size())))];
            RemoveNode(doc, kind, victim);
        }
        for (TOutlineIterator it(OutlineOf(doc, kind)); *it; ++it) {
            TOutlineNode* node = *it;
            node->setExpanded(pick(2) == 0);
            const QString name = RandomText(random);
            node->setText(0, name);
            if (kind == TOutlineKind::Vorgang) {
                TVorgangRec& rec = VorgangOf(doc, node);
                FreeText(rec.Name);
                WideCopy(rec.Name, name);
                rec.Beginn = RandomNumber(random);
                rec.Ende = RandomNumber(random);
                rec.Link = pick(50) - 5;
                rec.IsSummary = uint8_t(pick(2));
                rec.IncludeWorkCosts = uint8_t(pick(2));
                rec.FixedCosts = RandomNumber(random);
                for (int i = 0; i < CustomFieldCount; ++i) {
                    if (pick(3) > 0)
                        WideCopy(CustomText(rec, i), RandomText(random));
                    CustomNumber(rec, i) = RandomNumber(random);
                }
                if (pick(2) == 0)
                    WideCopy(rec.Notes, RandomText(random));
                for (int r = pick(4); r > 0; --r)
                    *static_cast<int32_t*>(rec.Resources->Append()) = pick(60);
            } else {
                TArbeiterRec& rec = ArbeiterOf(doc, node);
                FreeText(rec.Name);
                WideCopy(rec.Name, name);
                if (pick(2) == 0)
                    WideCopy(rec.EMail, RandomText(random));
                rec.CostPerHour = RandomNumber(random);
                rec.CostPerUse = RandomNumber(random);
                rec.Members = pick(1000) - 10;
                for (int i = 0; i < CustomFieldCount; ++i) {
                    if (pick(3) > 0)
                        WideCopy(CustomText(rec, i), RandomText(random));
                    CustomNumber(rec, i) = RandomNumber(random);
                }
                if (pick(2) == 0)
                    WideCopy(rec.Notes, RandomText(random));
            }
        }
    }
    doc.ViewStart = RandomNumber(random);
}

TEST(ProjectFile, RandomProjectsSurviveARoundTrip)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 40; ++round) {
        TProject project;
        BuildRandomProject(project.Doc, random);
        const QByteArray written = WriteProject(project.Doc);
        TProject loaded;
        ReadProject(loaded.Doc, written);
        ASSERT_EQ(Describe(loaded.Doc), Describe(project.Doc)) << "round " << round;
        EXPECT_EQ(WriteProject(loaded.Doc), written) << "round " << round;
    }
}

TEST(ProjectFile, EveryTruncationStopsWithAMessageAndASafeDocument)
{
    const QByteArray full = GoldenBytes();
    for (qsizetype size = 0; size < full.size(); ++size) {
        TProject project;
        ASSERT_EQ(LoadError(project, full.left(size)), "Read beyond end of file") << "cut at " << size;
        ExpectSafe(project);
        if (HasFailure())
            FAIL() << "cut at " << size;
    }
}

TEST(ProjectFile, DamagedFormsAreRejected)
{
    const int32_t huge = std::numeric_limits<int32_t>::max();
    const QString a = QStringLiteral("A");
    TBytes negativeLength, negativeCount, siblingTwo, deletedTask, deletedResource, taskTwice, resourceTwice,
        expandedNothing, expandedNoResource, longText, longList;
    Task(negativeLength.I32(1), 0).I32(-1);
    Task(negativeCount.I32(1), 0).Texts({{}, {}, {}, {}, {}, {}, {}}).I32(-3);
    TaskEntry(siblingTwo.I32(1), 0, a).I32(0).I32(2);
    Task(TaskEntry(deletedTask.I32(1), 0, a).I32(0).I32(1), 1, 0, 1);
    Resource(ResourceEntry(deletedResource.I32(0).I32(1), 0, a).I32(0).I32(1), 1, 0xff);
    TaskEntry(TaskEntry(taskTwice.I32(1), 4, a).I32(1), 4, a);
    ResourceEntry(ResourceEntry(resourceTwice.I32(0).I32(1), 7, a).I32(0).I32(1), 7, a);
    expandedNothing.I32(0).I32(0).F64(0).I32(1).I32(1);
    TaskEntry(expandedNoResource.I32(1), 0, a).I32(0).I32(0).I32(0).F64(0).I32(0).I32(5);
    Task(longText.I32(1), 0).I32(huge);
    Task(longList.I32(1), 0).Texts({{}, {}, {}, {}, {}, {}, {}}).I32(huge);

    const std::string damaged = "Die Datei ist beschädigt: ";
    const std::vector<std::pair<const TBytes*, std::string>> cases = {
        {&negativeLength, damaged + "Textlänge -1"},
        {&negativeCount, damaged + "Ressourcenanzahl -3"},
        {&siblingTwo, damaged + "Gliederungskennzeichen 2 statt 0 oder 1"},
        {&deletedTask, damaged + "Ein gelöschter Vorgang steht in der Gliederung"},
        {&deletedResource, damaged + "Eine gelöschte Ressource steht in der Gliederung"},
        {&taskTwice, damaged + "Die Vorgangskennung 4 kommt zweimal vor"},
        {&resourceTwice, damaged + "Die Ressourcenkennung 7 kommt zweimal vor"},
        {&expandedNothing, "Invalid index"},
        {&expandedNoResource, "Invalid index"},
        {&longText, "Read beyond end of file"},
        {&longList, "Read beyond end of file"},
    };
    for (const auto& [bytes, message] : cases) {
        TProject project;
        EXPECT_EQ(LoadError(project, bytes->Data), message);
        ExpectSafe(project);
    }
}

TEST(ProjectFile, AChildFlagOtherThanOneMeansNoChildren)
{
    for (const int32_t flag : {-1, 2, 7}) {
        TBytes out;
        TaskEntry(TaskEntry(out.I32(1), 0, QStringLiteral("A")).I32(flag).I32(1), 1, QStringLiteral("B"));
        out.I32(flag).I32(0).I32(0).F64(0).I32(0).I32(0);
        TProject project;
        EXPECT_EQ(LoadError(project, out.Data), "loaded") << flag;
        EXPECT_EQ(project.Vorgangs.topLevelItemCount(), 2) << flag;
        EXPECT_EQ(project.Vorgangs.topLevelItem(0)->childCount(), 0) << flag;
    }
}

TEST(ProjectFile, IdsOfEveryRangeAreCheckedForTwins)
{
    const std::vector<int32_t> ids = {
        0, 63, 64, -1, std::numeric_limits<int32_t>::min(), (1 << 26) - 1, 1 << 26, 1000000, 2000000000};
    auto tasks = [](const std::vector<int32_t>& list) {
        TBytes out;
        out.I32(1);
        for (std::size_t i = 0; i < list.size(); ++i)
            TaskEntry(out, list[i], QStringLiteral("T")).I32(0).I32(i + 1 < list.size() ? 1 : 0);
        out.I32(0).F64(0).I32(0).I32(0);
        return out;
    };
    TProject distinct;
    EXPECT_EQ(LoadError(distinct, tasks(ids).Data), "loaded");
    EXPECT_EQ(distinct.Vorgangs.topLevelItemCount(), int(ids.size()));
    for (int32_t twin : ids) {
        std::vector<int32_t> list = ids;
        list.push_back(twin);
        TProject project;
        EXPECT_EQ(LoadError(project, tasks(list).Data), "Die Datei ist beschädigt: Die Vorgangskennung " +
                                                            std::to_string(twin) + " kommt zweimal vor");
        ExpectSafe(project);
    }
}

TEST(ProjectFile, ANodeWhoseEntryWasNotReadIsNotKept)
{
    TBytes out;
    out.I32(1);
    TaskEntry(out, 1, QStringLiteral("A")).I32(0).I32(1);
    Task(out, 7).Text(QStringLiteral("B"));
    TProject project;
    EXPECT_EQ(LoadError(project, out.Data), "Read beyond end of file");
    ASSERT_EQ(project.Vorgangs.topLevelItemCount(), 1);
    EXPECT_EQ(project.Vorgangs.topLevelItem(0)->text(0), QStringLiteral("A"));
    EXPECT_EQ(project.Doc.VorgangAt(1).Deleted, 1);
    TProject again;
    EXPECT_EQ(LoadError(again, WriteProject(project.Doc)), "loaded") << "no Id is written twice";
}

TEST(ProjectFile, DanglingLinksAndResourceIdsAreKept)
{
    TBytes out;
    out.I32(1);
    TaskEntry(out, 3, QStringLiteral("A"), {42, 1}, 99).I32(0).I32(0);
    out.I32(1);
    ResourceEntry(out, 1, QStringLiteral("R")).I32(0).I32(0);
    out.F64(1).I32(1).I32(0).I32(1).I32(0);
    TProject project;
    ReadProject(project.Doc, out.Data);
    const TVorgangRec& rec = project.Doc.VorgangAt(0);
    EXPECT_EQ(rec.Link, 99);
    ASSERT_EQ(rec.Resources->Count, 2u);
    EXPECT_EQ(*static_cast<int32_t*>(rec.Resources->At(0)), 42);
    EXPECT_EQ(*static_cast<int32_t*>(rec.Resources->At(1)), 1);
}

TEST(ProjectFile, OutlinesDeeperThanTenThousandLevelsAreRejected)
{
    TBytes out;
    out.I32(1);
    for (int level = 0; level < 10001; ++level)
        TaskEntry(out, level, QString()).I32(1);
    TProject project;
    EXPECT_EQ(LoadError(project, out.Data),
              "Die Datei ist beschädigt: Die Gliederung ist tiefer als 10000 Ebenen");
    EXPECT_EQ(project.Doc.VorgangStore->Count, 10000u);
}

TEST(ProjectFileIds, NewRecordsAfterALoadTakeIdsAboveEveryLoadedOne)
{
    TBytes out;
    out.I32(1);
    TaskEntry(out, 9, QStringLiteral("A"), {2, 30}).I32(0).I32(1);
    TaskEntry(out, 5, QStringLiteral("B")).I32(0).I32(0);
    out.I32(1);
    ResourceEntry(out, 12, QStringLiteral("R")).I32(0).I32(0);
    out.F64(0).I32(0).I32(0);

    TProject project;
    TDocument& doc = project.Doc;
    EXPECT_EQ(VorgangOf(doc, VorgEinf(doc, nullptr)).Id, 0) << "before a load: the store index";
    ClearProject(doc);
    ReadProject(doc, out.Data);
    EXPECT_EQ(VorgangOf(doc, VorgEinf(doc, nullptr)).Id, 10);
    EXPECT_EQ(VorgangOf(doc, VorgEinf(doc, nullptr)).Id, 11);
    EXPECT_EQ(ArbeiterOf(doc, ArbEinf(doc, nullptr)).Id, 31) << "stale Id 30 in a list must not name it";
    ClearProject(doc);
    EXPECT_EQ(VorgangOf(doc, VorgEinf(doc, nullptr)).Id, 0) << "an emptied store starts again at 0";
}

TEST(ProjectFileIds, FailedLoadStillRaisesTheIdFloor)
{
    TBytes out;
    out.I32(1);
    TaskEntry(out, 50, QStringLiteral("A")).I32(0);
    TProject project;
    EXPECT_EQ(LoadError(project, out.Data), "Read beyond end of file");
    EXPECT_EQ(VorgangOf(project.Doc, VorgEinf(project.Doc, nullptr)).Id, 51);
}

TEST(ProjectFileIds, UsedUpIdsStopTheInsertionBeforeItChangesAnything)
{
    TBytes out;
    out.I32(1);
    TaskEntry(out, std::numeric_limits<int32_t>::max(), QStringLiteral("A")).I32(0).I32(0);
    out.I32(0).F64(0).I32(0).I32(0);
    TProject project;
    ReadProject(project.Doc, out.Data);
    EXPECT_THROW(VorgEinf(project.Doc, nullptr), std::runtime_error);
    EXPECT_EQ(project.Vorgangs.topLevelItemCount(), 1);
    EXPECT_EQ(project.Doc.VorgangStore->Count, 1u);
}

class ProjectFileOnDisk : public testing::Test
{
protected:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }
};

TEST_F(ProjectFileOnDisk, SavedFileReadsBackWhole)
{
    TProject project;
    BuildGoldenProject(project.Doc);
    QString error;
    ASSERT_TRUE(SaveProjectFile(project.Doc, Path(QStringLiteral("bau.zkt")), error)) << error.toStdString();
    QByteArray bytes;
    ASSERT_TRUE(ReadFileBytes(Path(QStringLiteral("bau.zkt")), bytes));
    EXPECT_EQ(bytes, GoldenBytes());
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bau.zkt")})
        << "no temporary file is left behind";
}

// The file is read through a window of a mebibyte. Whole and cut anywhere (inside
// a text longer than the window, across the window's edge), it must load exactly
// as its bytes do, to the same document and the same message.
TEST_F(ProjectFileOnDisk, ReadingTheFileEqualsReadingItsBytes)
{
    TProject project;
    std::mt19937 random(20261210);
    BuildRandomProject(project.Doc, random);
    TOutlineNode* first = VorgEinf(project.Doc, nullptr);
    for (int i = 0; i < 3000; ++i)
        WideCopy(VorgangOf(project.Doc, VorgEinf(project.Doc, first)).Notes,
                 QString(100 + i % 157, QChar(u'n')));
    ReplaceText(VorgangOf(project.Doc, first).Notes, QString(700000, QChar(u'L')));
    const QByteArray full = WriteProject(project.Doc);
    ASSERT_GT(full.size(), 2 << 20);
    const qsizetype window = qsizetype(1) << 20;
    std::vector<qsizetype> cuts = {full.size(), full.size() - 1, 0, 3, 1000, 700000, window - 2, window + 1};
    for (int i = 0; i < 30; ++i)
        cuts.push_back(std::uniform_int_distribution<qsizetype>(0, full.size())(random));
    const QString name = Path(QStringLiteral("cut.zkt"));
    for (qsizetype cut : cuts) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(full.left(cut));
        file.close();
        TProject fromBytes, fromFile;
        const std::string bytesResult = LoadError(fromBytes, full.left(cut));
        std::string fileResult = "loaded";
        try {
            ASSERT_TRUE(ReadProjectFile(fromFile.Doc, name));
        } catch (const EProjectFile& e) {
            fileResult = e.what();
        }
        ASSERT_EQ(fileResult, bytesResult) << "cut at " << cut;
        ASSERT_EQ(Describe(fromFile.Doc), Describe(fromBytes.Doc)) << "cut at " << cut;
    }
}

// A length the file cannot hold fails at once instead of making room for it, and
// a read that fails is told by its error.
TEST_F(ProjectFileOnDisk, ReadingTheFileStopsAtLengthsAndErrors)
{
    TBytes claim;
    Task(claim.I32(1), 0).I32(std::numeric_limits<int32_t>::max());
    const QString name = Path(QStringLiteral("lang.zkt"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(claim.Data);
    file.close();
    TProject project;
    EXPECT_THROW(
        {
            try {
                ReadProjectFile(project.Doc, name);
            } catch (const EProjectFile& e) {
                EXPECT_STREQ(e.what(), "Read beyond end of file");
                throw;
            }
        },
        EProjectFile);
    TProject other;
    EXPECT_FALSE(ReadProjectFile(other.Doc, Path(QStringLiteral("fehlt.zkt"))));
    try {
        ReadProjectFile(other.Doc, QStringLiteral("/proc/self/mem"));
        FAIL() << "no error reported";
    } catch (const EProjectFile& e) {
        EXPECT_STREQ(e.what(), "I/O error 5");
    }
}

// Saves while this process may write files of at most bytes: a write beyond fails
// with EFBIG instead of ending the process.
bool SaveWithFilesUpTo(const TDocument& doc, const QString& name, rlim_t bytes, QString& error)
{
    rlimit saved{};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    const bool limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
    const bool ok = SaveProjectFile(doc, name, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return limited && ok;
}

// The file is written on a thread of its own, chunk by chunk; a write that fails
// after the first chunks must still fail the save and leave the old file alone.
TEST_F(ProjectFileOnDisk, AWriteFailingHalfwayFailsTheSaveAndKeepsTheOldFile)
{
    TProject project;
    TOutlineNode* top = VorgEinf(project.Doc, nullptr);
    for (int i = 0; i < 3000; ++i)
        WideCopy(VorgangOf(project.Doc, VorgEinfChild(project.Doc, top)).Notes, QString(500, QChar(u'n')));
    const QString name = Path(QStringLiteral("bau.zkt"));
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    QString error;
    EXPECT_FALSE(SaveWithFilesUpTo(project.Doc, name, 3 << 19, error));
    EXPECT_EQ(error, IoErrorText(EFBIG));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bau.zkt")});
    ASSERT_TRUE(SaveProjectFile(project.Doc, name, error)) << error.toStdString();
}

// A large file is synced in steps while it is written. A write failing after some
// of them still fails the save; unlimited, the file is the image, byte for byte.
TEST_F(ProjectFileOnDisk, AFileSyncedInStepsIsWrittenWholeOrNotAtAll)
{
    TProject project;
    TOutlineNode* top = VorgEinf(project.Doc, nullptr);
    for (int i = 0; i < 45; ++i)
        WideCopy(VorgangOf(project.Doc, VorgEinfChild(project.Doc, top)).Notes,
                 QString(500000 + i, QChar(u'a' + i % 26)));
    const QByteArray image = WriteProject(project.Doc);
    ASSERT_GT(image.size(), 42 << 20);
    const QString name = Path(QStringLiteral("gross.zkt"));

    QString error;
    EXPECT_FALSE(SaveWithFilesUpTo(project.Doc, name, 40 << 20, error));
    EXPECT_EQ(error, IoErrorText(EFBIG));
    EXPECT_FALSE(QFileInfo::exists(name));

    ASSERT_TRUE(SaveProjectFile(project.Doc, name, error)) << error.toStdString();
    QByteArray bytes;
    ASSERT_TRUE(ReadFileBytes(name, bytes));
    EXPECT_TRUE(bytes == image) << "the saved file differs from the image";
}

TEST_F(ProjectFileOnDisk, UnwritablePlacesFailAndKeepWhatWasThere)
{
    TProject project;
    VorgEinf(project.Doc, nullptr);
    QFile plain(Path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("old");
    plain.close();
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder.zkt")));

    for (const QString& name : {Path(QStringLiteral("plain/sub.zkt")), Path(QStringLiteral("folder.zkt"))}) {
        QString error;
        EXPECT_FALSE(SaveProjectFile(project.Doc, name, error)) << name.toStdString();
        EXPECT_FALSE(error.isEmpty()) << name.toStdString();
    }
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(plain.readAll(), QByteArray("old"));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("folder.zkt"))).isDir());
}

TEST_F(ProjectFileOnDisk, MissingFilesAndFoldersCannotBeOpened)
{
    QByteArray bytes;
    EXPECT_FALSE(ReadFileBytes(Path(QStringLiteral("fehlt.zkt")), bytes));
    EXPECT_FALSE(ReadFileBytes(Dir.path(), bytes));
    EXPECT_FALSE(ReadFileBytes(QString(), bytes));
}

TEST_F(ProjectFileOnDisk, ReadErrorAfterOpeningIsThrown)
{
    // Opens, but reading its first page fails: nothing is mapped at address 0.
    QByteArray bytes;
    try {
        ReadFileBytes(QStringLiteral("/proc/self/mem"), bytes);
        FAIL() << "no error reported";
    } catch (const EProjectFile& e) {
        EXPECT_STREQ(e.what(), "I/O error 5");
    }
}

TEST(IoErrors, TextsByCause)
{
    EXPECT_EQ(IoErrorText(ENOENT), QStringLiteral("File not found"));
    EXPECT_EQ(IoErrorText(EACCES), QStringLiteral("File access denied"));
    EXPECT_EQ(IoErrorText(ENOSPC), QStringLiteral("Disk full"));
    EXPECT_EQ(IoErrorText(EMFILE), QStringLiteral("Too many open files"));
    EXPECT_EQ(IoErrorText(EIO), QStringLiteral("I/O error 5"));
}

} // namespace
