#include "Outline.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "TestProject.h"
#include "Texts.h"

#include <QApplication>
#include <QDate>
#include <cstdio>

// Makes the sample project "Umbau-Kueche.zkt" with the program's own model, the
// schedule and the file writer: a kitchen rebuilt in three phases by four trades.
//     make_example examples/Umbau-Kueche.zkt
namespace {

const QDate DayZero(1899, 12, 30);

struct TTask
{
    const char* Name;
    int StartDay; // days after 1 March 2027, 07:00
    double Days;
    int Follows; // index of the task this one follows, -1 for none
    double FixedCosts;
    const char* Resources; // letters of the trades: E, I, F, K
    const char* Note;
};

const TTask Phases[3][4] = {
    {{"Alte Küche abbauen", 0, 1, -1, 300, "K", "Altgeräte zum Wertstoffhof"},
     {"Elektroleitungen verlegen", 1, 2, 0, 450, "E", "Herdanschluss 400 V, drei neue Steckdosen"},
     {"Wasseranschlüsse versetzen", 1, 1.5, 0, 250, "I", "Spüle rückt 80 cm nach links"},
     {"Wände verputzen", 4, 2, 1, 0, "F", ""}},
    {{"Fliesenspiegel legen", 7, 2, 3, 600, "F", "Fliesen 10 x 10 weiß, Fugen grau"},
     {"Wände streichen", 9, 1, 4, 150, "", "Eigenleistung"},
     {"Küche montieren", 10, 2, 5, 8500, "K", "Lieferung am Vortag bis 16 Uhr"},
     {"Arbeitsplatte einsetzen", 12, 1, 6, 0, "KI", "Ausschnitt für Kochfeld und Spüle"}},
    {{"Geräte anschließen", 13, 0.5, 7, 0, "EI", ""},
     {"Endreinigung", 14, 0.5, 8, 120, "", ""},
     {"Abnahme mit dem Bauherrn", 15, 0.25, 9, 0, "", "Mängelliste mitbringen"},
     {"Rechnungen prüfen", 16, 0.5, 10, 0, "", ""}},
};

struct TTrade
{
    char Letter;
    const char* Name;
    const char* EMail;
    double PerHour;
    double PerUse;
    int Members;
};

const TTrade Trades[] = {
    {'E', "Elektriker Wagner", "wagner@example.de", 58, 35, 1},
    {'I', "Installateur Yilmaz", "yilmaz@example.de", 62, 40, 1},
    {'F', "Fliesenleger Brandt", "brandt@example.de", 48, 0, 2},
    {'K', "Küchenstudio Nordlicht", "montage@example.de", 55, 90, 2},
};

TOutlineNode* Named(TOutlineNode* node, char16_t*& name, const QString& text)
{
    node->setText(0, text);
    ReplaceText(name, text);
    return node;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("make_example <file.zkt>\n", stderr);
        return 2;
    }
    TTestProject project;
    TDocument& doc = project.Doc;
    const TDateTime march1 = DayZero.daysTo(QDate(2027, 3, 1)) + 7.0 / 24;
    doc.ViewStart = march1;
    int32_t tradeIds[4];
    for (int t = 0; t < 4; ++t) {
        TOutlineNode* node = ArbEinf(doc, nullptr);
        TArbeiterRec& rec = ArbeiterOf(doc, node);
        Named(node, rec.Name, QString::fromUtf8(Trades[t].Name));
        ReplaceText(rec.EMail, QString::fromUtf8(Trades[t].EMail));
        rec.CostPerHour = Trades[t].PerHour;
        rec.CostPerUse = Trades[t].PerUse;
        rec.Members = Trades[t].Members;
        tradeIds[t] = rec.Id;
    }
    const char* phaseNames[] = {"Rohbau", "Ausbau", "Abschluss"};
    std::vector<int32_t> ids;
    for (int p = 0; p < 3; ++p) {
        TOutlineNode* phase = VorgEinf(doc, nullptr);
        Named(phase, VorgangOf(doc, phase).Name, QString::fromUtf8(phaseNames[p]));
        for (const TTask& task : Phases[p]) {
            TOutlineNode* node = VorgEinfChild(doc, phase);
            TVorgangRec& rec = VorgangOf(doc, node);
            Named(node, rec.Name, QString::fromUtf8(task.Name));
            rec.Beginn = march1 + task.StartDay;
            rec.Ende = rec.Beginn + task.Days;
            rec.Link = task.Follows >= 0 ? ids[std::size_t(task.Follows)] + 1 : 0;
            rec.FixedCosts = task.FixedCosts;
            rec.IncludeWorkCosts = *task.Resources ? 1 : 0;
            if (*task.Note)
                ReplaceText(rec.Notes, QString::fromUtf8(task.Note));
            for (const char* r = task.Resources; *r; ++r)
                for (int t = 0; t < 4; ++t)
                    if (Trades[t].Letter == *r)
                        *static_cast<int32_t*>(rec.Resources->Append()) = tradeIds[t];
            ids.push_back(rec.Id);
        }
        SetExpanded(phase, true);
    }
    RenderEveryThing(doc);
    QString error;
    if (!SaveProjectFile(doc, QString::fromLocal8Bit(argv[1]), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
