#include "Costs.h"
#include "DocumentFixture.h"
#include "Figures.h"
#include "Outline.h"
#include "Printers.h"
#include "TableModels.h"
#include "Texts.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <set>

namespace {

const QDate DayZero(1899, 12, 30);

TDateTime At(int y, int m, int d, int hour = 0, int minute = 0)
{
    return DayZero.daysTo(QDate(y, m, d)) + (hour * 60 + minute) / 1440.0;
}

// Working time counted minute by minute: the rule as written, slowly.
double MinuteHours(TDateTime beginn, TDateTime ende)
{
    double minutes = 0;
    for (double t = std::ceil(beginn * 1440 - 1e-6); t < ende * 1440 - 1e-6; ++t) {
        const double day = std::floor(t / 1440);
        const int weekday = QDate(DayZero.addDays(qint64(day))).dayOfWeek();
        const double minute = t - day * 1440;
        if (weekday <= 5 && ((minute >= 480 && minute < 720) || (minute >= 780 && minute < 1020)))
            ++minutes;
    }
    return minutes / 60;
}

TEST(WorkHours, WeekdaysBetweenEightAndFiveWithoutLunch)
{
    EXPECT_EQ(WorkHours(At(2027, 3, 1), At(2027, 3, 2)), 8) << "a Monday";
    EXPECT_EQ(WorkHours(At(2027, 3, 6), At(2027, 3, 8)), 0) << "a weekend";
    EXPECT_NEAR(WorkHours(At(2027, 3, 1, 11), At(2027, 3, 1, 14)), 2, 1e-9) << "over lunch";
    EXPECT_NEAR(WorkHours(At(2027, 3, 5, 16), At(2027, 3, 8, 9)), 2, 1e-9) << "Friday to Monday";
    EXPECT_EQ(WorkHours(At(2027, 3, 1), At(2027, 3, 29)), 160) << "four weeks";
    EXPECT_EQ(WorkHours(At(2027, 3, 2), At(2027, 3, 1)), 0) << "reversed";
    EXPECT_EQ(WorkHours(std::nan(""), At(2027, 3, 1)), 0);
    EXPECT_EQ(WorkHours(0, 1e300), 0) << "beyond what is counted";
    EXPECT_NEAR(WorkHours(-10.5, 3.25), MinuteHours(-10.5, 3.25), 1e-9) << "before day zero";
    std::mt19937 random(3);
    for (int i = 0; i < 200; ++i) {
        const TDateTime b =
            At(2027, 1, 1) + std::uniform_int_distribution<int>(0, 60 * 1440)(random) / 1440.0;
        const TDateTime e = b + std::uniform_int_distribution<int>(0, 9 * 1440)(random) / 1440.0;
        ASSERT_NEAR(WorkHours(b, e), MinuteHours(b, e), 1e-9) << b << " " << e;
    }
}

// A generated project: nesting, duplicate and deleted resources in the lists,
// Members 0 and 3, spans over weekends and shorter than a day, one absurd cost.
class Tables : public DocumentFixture
{
protected:
    std::vector<TOutlineNode*> Resources;

    void SetUp() override
    {
        DocumentFixture::SetUp();
        std::mt19937 random(11);
        for (int i = 0; i < 6; ++i) {
            TOutlineNode* node = i == 2 ? ArbEinfChild(Doc, Resources[1]) : ArbEinf(Doc, nullptr);
            TArbeiterRec& rec = ArbeiterOf(Doc, node);
            rec.CostPerHour = 10 + 5 * i;
            rec.CostPerUse = i * 7;
            rec.Members = i % 3 == 0 ? 0 : 3;
            Resources.push_back(node);
        }
        std::vector<TOutlineNode*> tasks;
        for (int i = 0; i < 60; ++i) {
            TOutlineNode* parent = i % 5 ? tasks[std::size_t(i - i % 5)] : nullptr;
            TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
            TVorgangRec& rec = VorgangOf(Doc, node);
            rec.Beginn = At(2027, 3, 1) + std::uniform_int_distribution<int>(0, 20 * 96)(random) / 96.0;
            rec.Ende = rec.Beginn + std::uniform_int_distribution<int>(0, 5 * 96)(random) / 96.0;
            rec.FixedCosts = i * 10;
            rec.IncludeWorkCosts = i % 2;
            for (int r = 0; r < 3; ++r)
                *static_cast<int32_t*>(rec.Resources->Append()) =
                    ArbeiterOf(Doc, Resources[std::size_t((i + r * r) % 6)]).Id;
            tasks.push_back(node);
        }
        VorgangOf(Doc, tasks[7]).FixedCosts = std::numeric_limits<double>::infinity();
        RemoveNode(Doc, TOutlineKind::Arbeiter, Resources[4]);
        Resources.erase(Resources.begin() + 4);
    }

    // The rules once more, by recursion over the outline.
    struct TExpected
    {
        double Fixed = 0, Labour = 0, Cost = 0;
    };
    TExpected Expected(TOutlineNode* node, std::map<uint32_t, std::array<double, 3>>& resources)
    {
        const TVorgangRec& rec = VorgangOf(Doc, node);
        TExpected e;
        const double own = std::isfinite(rec.FixedCosts) ? rec.FixedCosts : 0;
        e.Fixed = e.Cost = own;
        if (node->childCount() == 0) {
            std::set<int32_t> ids;
            for (uint32_t i = 0; i < rec.Resources->Count; ++i)
                ids.insert(*static_cast<int32_t*>(rec.Resources->At(i)));
            const double hours = MinuteHours(rec.Beginn, rec.Ende);
            for (int32_t id : ids)
                for (uint32_t r = 0; r < Doc.ArbeiterStore->Count; ++r) {
                    const TArbeiterRec& res = Doc.ArbeiterAt(r);
                    if (res.Id != id || res.Deleted)
                        continue;
                    const double h = hours * std::max(res.Members, 1);
                    e.Labour += res.CostPerHour * h + res.CostPerUse;
                    resources[r][0] += h;
                    resources[r][1] += 1;
                    resources[r][2] += res.CostPerHour * h + res.CostPerUse;
                }
            e.Cost += rec.IncludeWorkCosts ? e.Labour : 0;
        }
        for (int c = 0; c < node->childCount(); ++c) {
            const TExpected child = Expected(node->child(c), resources);
            e.Fixed += child.Fixed;
            e.Labour += child.Labour;
            e.Cost += child.Cost;
        }
        return e;
    }

    static double Number(const QModelIndex& index)
    {
        return QLocale().toDouble(index.data(TableRole::Csv).toString());
    }
};

TEST_F(Tables, TaskAndResourceFiguresFollowTheRules)
{
    const TTableModel tasks(TTable::Vorgaenge, Doc);
    std::map<uint32_t, std::array<double, 3>> perResource;
    TExpected total;
    ASSERT_EQ(tasks.rowCount(), Vorgangs.topLevelItemCount() + 1);
    for (int t = 0; t < Vorgangs.topLevelItemCount(); ++t) {
        const TExpected top = Expected(Vorgangs.topLevelItem(t), perResource);
        total.Fixed += top.Fixed;
        total.Labour += top.Labour;
        total.Cost += top.Cost;
        const QModelIndex row = tasks.index(t, 0);
        EXPECT_NEAR(Number(row.siblingAtColumn(6)), top.Fixed, 0.006) << t;
        EXPECT_NEAR(Number(row.siblingAtColumn(7)), top.Labour, 0.006) << t;
        EXPECT_NEAR(Number(row.siblingAtColumn(8)), top.Cost, 0.006) << t;
        EXPECT_EQ(tasks.rowCount(row), Vorgangs.topLevelItem(t)->childCount());
    }
    const QModelIndex summe = tasks.index(tasks.rowCount() - 1, 0);
    EXPECT_EQ(summe.data().toString(), QStringLiteral("Summe"));
    EXPECT_NEAR(Number(summe.siblingAtColumn(8)), total.Cost, 0.006);
    EXPECT_NEAR(Number(summe.siblingAtColumn(7)), total.Labour, 0.006);
    EXPECT_EQ(tasks.index(1, 6, tasks.index(1, 0)).data().toString(), QStringLiteral("—"))
        << "an infinite fixed cost";
    EXPECT_GT(total.Labour, 0);

    const TTableModel resources(TTable::Ressourcen, Doc);
    ASSERT_EQ(resources.rowCount(), Arbeiter.topLevelItemCount() + 1);
    const QModelIndex group = resources.index(1, 0);
    ASSERT_EQ(resources.rowCount(group), 1);
    const uint32_t g = RecordIndex(Resources[1]);
    const uint32_t m = RecordIndex(Resources[2]);
    EXPECT_NEAR(Number(group.siblingAtColumn(1)), perResource[g][0] + perResource[m][0], 0.006) << "Stunden";
    EXPECT_EQ(Number(group.siblingAtColumn(4)), perResource[g][1] + perResource[m][1]) << "Einsätze";
    EXPECT_NEAR(Number(group.siblingAtColumn(5)), perResource[g][2] + perResource[m][2], 0.006) << "Kosten";
    double cost = 0;
    for (const auto& [index, figures] : perResource)
        cost += figures[2];
    EXPECT_NEAR(Number(resources.index(resources.rowCount() - 1, 5)), cost, 0.006);
    EXPECT_NEAR(cost, total.Labour, 0.01) << "every labour share is some resource's cost";
}

TEST_F(Tables, SortingKeepsSummeLastAndTheCsvIsForSpreadsheets)
{
    TTableModel tasks(TTable::Vorgaenge, Doc);
    TSummeLastProxy sorted;
    sorted.setSourceModel(&tasks);
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        sorted.sort(8, order);
        EXPECT_EQ(sorted.index(sorted.rowCount() - 1, 0).data().toString(), QStringLiteral("Summe"));
        const double first = Number(sorted.index(0, 8));
        const double second = Number(sorted.index(1, 8));
        EXPECT_TRUE(order == Qt::AscendingOrder ? first <= second : first >= second);
    }
    sorted.sort(-1);
    const QByteArray csv = TableCsv(sorted);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 60 + 1) << "the header, every task, Summe";
    EXPECT_EQ(lines[0], QStringLiteral("Ebene;Vorgang;Beginn;Ende;Dauer;Vorgänger;Ressourcen;Feste Kosten;"
                                       "Arbeitskosten;Gesamtkosten"));
    const QStringList first = lines[1].split(u';');
    EXPECT_EQ(first[0], QStringLiteral("0"));
    EXPECT_EQ(lines[2].split(u';')[0], QStringLiteral("1"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"))
                    .match(first[2])
                    .hasMatch())
        << first[2].toStdString();
    EXPECT_TRUE(first[9].contains(u',')) << "the locale's decimal comma";
    EXPECT_FALSE(first[9].contains(u'.')) << "no grouping in the file";
    EXPECT_TRUE(lines.back().startsWith(QStringLiteral("0;Summe;")));
}

} // namespace
