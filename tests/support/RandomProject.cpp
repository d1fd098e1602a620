#include "RandomProject.h"

#include "Outline.h"
#include "Texts.h"

#include <random>
#include <vector>

namespace {

const char16_t* const Words[] = {u"Küche", u"Maßband", u"<Rohbau>", u"Fliesen & Fugen", u"\"Dach\"",
                                 u"Öfen",  u"Estrich", u"Türen",    u"Strom 'neu'",     u"Übergabe"};

QString Phrase(std::minstd_rand& random, int words)
{
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QString::fromUtf16(Words[random() % std::size(Words)]);
    }
    return text;
}

template <typename Rec> void FillCustomFields(Rec& rec, std::minstd_rand& random)
{
    for (int i = 0; i < CustomFieldCount; ++i) {
        if (random() % 3 == 0)
            ReplaceText(CustomText(rec, i), Phrase(random, 1 + int(random() % 2)));
        if (random() % 3 == 0)
            CustomNumber(rec, i) = double(int(random() % 200000) - 100000) / 8;
    }
}

} // namespace

void MakeRandomProject(TDocument& doc, uint32_t seed, int tasks, int resources)
{
    std::minstd_rand random(seed);
    std::vector<TOutlineNode*> groups;
    std::vector<int32_t> resourceIds;
    for (int i = 0; i < resources; ++i) {
        TOutlineNode* node = nullptr;
        if (i % 6 == 0) {
            node = ArbEinf(doc, nullptr);
            groups.push_back(node);
        } else {
            node = ArbEinfChild(doc, groups.back());
        }
        TArbeiterRec& rec = ArbeiterOf(doc, node);
        const QString name = Phrase(random, 1) + QStringLiteral(" %1").arg(i);
        ReplaceText(rec.Name, name);
        node->setText(0, name);
        ReplaceText(rec.EMail, QStringLiteral("person%1@example.org").arg(i));
        rec.CostPerHour = double(random() % 20000) / 100;
        rec.CostPerUse = double(random() % 50000) / 100;
        rec.Members = int32_t(1 + random() % 4);
        FillCustomFields(rec, random);
        if (random() % 4 == 0)
            ReplaceText(rec.Notes, Phrase(random, 3));
        resourceIds.push_back(rec.Id);
    }

    std::vector<TOutlineNode*> path; // the last task and its ancestors
    std::vector<TOutlineNode*> made;
    const TDateTime base = 46083 + 8.0 / 24; // Monday 2 March 2026, 08:00
    for (int i = 0; i < tasks; ++i) {
        const std::size_t level =
            path.empty() ? 0 : std::size_t(random() % std::min<std::size_t>(path.size() + 1, 4));
        path.resize(level);
        TOutlineNode* node = path.empty() ? VorgEinf(doc, nullptr) : VorgEinfChild(doc, path.back());
        path.push_back(node);
        made.push_back(node);
        TVorgangRec& rec = VorgangOf(doc, node);
        QString name = Phrase(random, 1 + int(random() % 3));
        ReplaceText(rec.Name, name);
        node->setText(0, name);
        rec.Beginn = base + double(random() % (60 * 24 * 90)) / (60 * 24);
        rec.Ende = rec.Beginn + double(random() % (60 * 24 * 10)) / (60 * 24);
        rec.FixedCosts = double(random() % 1000000) / 100;
        rec.IncludeWorkCosts = uint8_t(random() % 2);
        FillCustomFields(rec, random);
        if (random() % 3 == 0)
            ReplaceText(rec.Notes, Phrase(random, 4) + QStringLiteral("\nzweite Zeile"));
    }
    std::vector<int32_t> leaves;
    for (TOutlineNode* node : made) {
        if (node->childCount() > 0)
            continue;
        TVorgangRec& rec = VorgangOf(doc, node);
        if (!leaves.empty() && random() % 3 == 0)
            rec.Link = leaves[random() % leaves.size()] + 1;
        for (std::size_t k = resourceIds.empty() ? 0 : random() % 4; k > 0; --k)
            *static_cast<int32_t*>(rec.Resources->Append()) = resourceIds[random() % resourceIds.size()];
        leaves.push_back(rec.Id);
    }
}
