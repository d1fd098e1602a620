#include "Outline.h"
#include "ProjectFile.h"
#include "Recovery.h"
#include "TestProject.h"
#include "Texts.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>

// A program for the recovery tests: `once <folder>` writes one recovery copy of a
// small changed project and ends without cleaning up, as a crashed program would;
// `loop <folder> <file>` writes the two versions it saves as <file>.a and <file>.b,
// says "ready" and then, until it is killed, edits, writes recovery copies and
// saves the two versions of the project to <file> in turn.
namespace {

void Build(TDocument& doc, int tasks, const QString& name)
{
    for (int i = 0; i < tasks; ++i) {
        TVorgangRec& rec = VorgangOf(doc, VorgEinf(doc, nullptr));
        rec.Beginn = 46000 + i;
        rec.Ende = rec.Beginn + 2;
        ReplaceText(rec.Notes, name.repeated(50));
    }
}

bool WriteAll(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    TTestProject project;
    TDocument& doc = project.Doc;
    doc.FileName = QStringLiteral("/home/planer/Umbau-Kueche.zkt");
    ReplaceText(doc.VorgangFieldLabels[2], QStringLiteral("Gewerk"));
    Build(doc, 30, QStringLiteral("Rohbau"));
    doc.Changed = true;
    TRecovery recovery(doc, args[2], 60000);
    if (args[1] != QLatin1String("loop") || args.size() < 4) {
        recovery.WriteNow();
        recovery.Flush();
        std::_Exit(0);
    }
    TTestProject a(1);
    TTestProject b(2);
    Build(a.Doc, 200, QStringLiteral("Version A"));
    Build(b.Doc, 300, QStringLiteral("Version B"));
    const QString file = args[3];
    QString error;
    if (!WriteAll(file + QStringLiteral(".a"), WriteProject(a.Doc)) ||
        !WriteAll(file + QStringLiteral(".b"), WriteProject(b.Doc)) || !SaveProjectFile(a.Doc, file, error))
        return 3;
    recovery.WriteNow();
    recovery.Flush();
    std::puts("ready");
    std::fflush(stdout);
    for (int round = 0;; ++round) {
        Build(doc, 1, QStringLiteral("Runde %1").arg(round));
        recovery.WriteNow();
        recovery.Flush();
        if (!SaveProjectFile(round % 2 ? a.Doc : b.Doc, file, error))
            return 4;
    }
}
