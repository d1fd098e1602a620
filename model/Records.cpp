#include "Records.h"

#include "Texts.h"

void ReleaseVorgang(TVorgangRec& rec)
{
    rec.Deleted = 1;
    FreeText(rec.Name);
    FreeText(rec.Notes);
    for (int i = 0; i < CustomFieldCount; ++i)
        FreeText(CustomText(rec, i));
    delete rec.Resources;
    rec.Resources = nullptr;
}

void ReleaseArbeiter(TArbeiterRec& rec)
{
    rec.Deleted = 1;
    FreeText(rec.Name);
    FreeText(rec.EMail);
    FreeText(rec.Notes);
    for (int i = 0; i < CustomFieldCount; ++i)
        FreeText(CustomText(rec, i));
}

void SetDefaultLabels(TFieldLabels& labels)
{
    for (int i = 0; i < CustomFieldCount; ++i) {
        WideCopy(labels[std::size_t(i)], QStringLiteral("Text %1").arg(i + 1));
        WideCopy(labels[std::size_t(i + CustomFieldCount)], QStringLiteral("Zahl %1").arg(i + 1));
    }
}

void FreeLabels(TFieldLabels& labels)
{
    for (auto& label : labels)
        FreeText(label);
}

TLabelTexts LabelTexts(const TFieldLabels& labels)
{
    TLabelTexts texts;
    for (std::size_t i = 0; i < labels.size(); ++i)
        texts[i] = TextOf(labels[i]);
    return texts;
}

void SetLabelTexts(TFieldLabels& labels, const TLabelTexts& texts)
{
    for (std::size_t i = 0; i < labels.size(); ++i)
        ReplaceText(labels[i], texts[i]);
}
