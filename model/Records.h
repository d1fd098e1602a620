#pragma once

#include "DynaArray.h"

#include <QString>
#include <array>
#include <cstdint>
#include <type_traits>

class TOutlineNode;

// The two outlines share one implementation of every command; this names which.
enum class TOutlineKind
{
    Vorgang,
    Arbeiter,
};

// Dates are day numbers with a fraction of a day, day 0 being 30 December 1899.
using TDateTime = double;

// One task. Held by value in the task store; texts and Resources are owned by the
// record and freed by the task outline's deletion handling.
struct TVorgangRec
{
    uint8_t Deleted;
    int32_t Id;
    TOutlineNode* Node; // set by each recalculation, not relied on elsewhere
    char16_t* Name;
    TDateTime Beginn;
    TDateTime Ende;
    TDynaArray* Resources; // resource Ids (int32_t), cursor CurResId
    int32_t Link;          // predecessor Id + 1; 0 or less means none
    char16_t* Text1;
    char16_t* Text2;
    char16_t* Text3;
    char16_t* Text4;
    char16_t* Text5;
    double Zahl1;
    double Zahl2;
    double Zahl3;
    double Zahl4;
    double Zahl5;
    uint8_t IsSummary;
    uint8_t Visited;
    uint8_t IncludeWorkCosts;
    double FixedCosts;
    char16_t* Notes;
};

// One resource; its Id is the key held in the tasks' Resources lists.
struct TArbeiterRec
{
    uint8_t Deleted;
    int32_t Id;
    char16_t* Name;
    char16_t* EMail;
    double CostPerHour;
    double CostPerUse;
    int32_t Members;
    char16_t* Text1;
    char16_t* Text2;
    char16_t* Text3;
    char16_t* Text4;
    char16_t* Text5;
    double Zahl1;
    double Zahl2;
    double Zahl3;
    double Zahl4;
    double Zahl5;
    char16_t* Notes;
};

static_assert(std::is_trivially_copyable_v<TVorgangRec> && std::is_standard_layout_v<TVorgangRec>);
static_assert(std::is_trivially_copyable_v<TArbeiterRec> && std::is_standard_layout_v<TArbeiterRec>);

constexpr int CustomFieldCount = 5;

// The custom fields by position 0..4 ("Text 1".."Text 5", "Zahl 1".."Zahl 5").
template <typename Rec> char16_t*& CustomText(Rec& rec, int i)
{
    static constexpr char16_t* Rec::*fields[] = {&Rec::Text1, &Rec::Text2, &Rec::Text3, &Rec::Text4,
                                                 &Rec::Text5};
    return rec.*fields[i];
}

template <typename Rec> double& CustomNumber(Rec& rec, int i)
{
    static constexpr double Rec::*fields[] = {&Rec::Zahl1, &Rec::Zahl2, &Rec::Zahl3, &Rec::Zahl4,
                                              &Rec::Zahl5};
    return rec.*fields[i];
}

// Frees every text of a record (and a task's Resources list) and marks it deleted.
void ReleaseVorgang(TVorgangRec& rec);
void ReleaseArbeiter(TArbeiterRec& rec);

// Labels of the custom fields: index 0..4 for Text1..Text5, 5..9 for Zahl1..Zahl5.
using TFieldLabels = std::array<char16_t*, 10>;

void SetDefaultLabels(TFieldLabels& labels);
void FreeLabels(TFieldLabels& labels);

// The labels as texts, and back (each old text freed first).
using TLabelTexts = std::array<QString, 10>;
TLabelTexts LabelTexts(const TFieldLabels& labels);
void SetLabelTexts(TFieldLabels& labels, const TLabelTexts& texts);
