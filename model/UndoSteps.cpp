#include "UndoSteps.h"

#include "Texts.h"

#include <bit>
#include <string>
#include <type_traits>

TScheduleFields ScheduleFieldsOf(const TVorgangRec& rec)
{
    return {rec.Beginn, rec.Ende, rec.Link, rec.IsSummary};
}

void SetScheduleFields(TVorgangRec& rec, const TScheduleFields& fields)
{
    rec.Beginn = fields.Beginn;
    rec.Ende = fields.Ende;
    rec.Link = fields.Link;
    rec.IsSummary = fields.IsSummary;
}

bool SameSchedule(const TScheduleFields& a, const TScheduleFields& b)
{
    return std::bit_cast<uint64_t>(a.Beginn) == std::bit_cast<uint64_t>(b.Beginn) &&
           std::bit_cast<uint64_t>(a.Ende) == std::bit_cast<uint64_t>(b.Ende) && a.Link == b.Link &&
           a.IsSummary == b.IsSummary;
}

namespace {

using TTaskTexts = std::array<char16_t * TVorgangRec::*, 7>;
using TResourceTexts = std::array<char16_t * TArbeiterRec::*, 8>;

constexpr TTaskTexts TextsOf(const TVorgangRec*)
{
    return {&TVorgangRec::Name,  &TVorgangRec::Text1, &TVorgangRec::Text2, &TVorgangRec::Text3,
            &TVorgangRec::Text4, &TVorgangRec::Text5, &TVorgangRec::Notes};
}

constexpr TResourceTexts TextsOf(const TArbeiterRec*)
{
    return {&TArbeiterRec::Name,  &TArbeiterRec::EMail, &TArbeiterRec::Text1, &TArbeiterRec::Text2,
            &TArbeiterRec::Text3, &TArbeiterRec::Text4, &TArbeiterRec::Text5, &TArbeiterRec::Notes};
}

char16_t* CopyText(const char16_t* text)
{
    if (!text)
        return nullptr;
    const std::size_t length = std::char_traits<char16_t>::length(text);
    if (length == 0)
        return EmptyText();
    char16_t* copy = NewText(length);
    std::char_traits<char16_t>::copy(copy, text, length);
    return copy;
}

std::size_t TextBytes(const char16_t* text)
{
    return text ? (std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t) : 0;
}

void Release(TVorgangRec& rec)
{
    ReleaseVorgang(rec);
}

void Release(TArbeiterRec& rec)
{
    ReleaseArbeiter(rec);
}

} // namespace

template <typename TRec> TRecordCopy<TRec>::TRecordCopy(const TRec& rec) : Copy(rec)
{
    for (auto field : TextsOf(&rec))
        Copy.*field = nullptr;
    if constexpr (std::is_same_v<TRec, TVorgangRec>) {
        Copy.Node = nullptr;
        Copy.Resources = nullptr;
    }
    if (rec.Deleted)
        return;
    for (auto field : TextsOf(&rec))
        Copy.*field = CopyText(rec.*field);
    if constexpr (std::is_same_v<TRec, TVorgangRec>) {
        if (const TDynaArray* list = rec.Resources)
            for (uint32_t i = 0; i < list->Count; ++i)
                ResourceIds.push_back(*static_cast<const int32_t*>(list->At(i)));
    }
}

template <typename TRec> TRecordCopy<TRec> TRecordCopy<TRec>::Released(const TRec& rec)
{
    TRecordCopy copy;
    copy.Copy = rec;
    for (auto field : TextsOf(&rec))
        copy.Copy.*field = nullptr;
    if constexpr (std::is_same_v<TRec, TVorgangRec>) {
        copy.Copy.Node = nullptr;
        copy.Copy.Resources = nullptr;
    }
    copy.Copy.Deleted = 1;
    return copy;
}

template <typename TRec> TRecordCopy<TRec>::~TRecordCopy()
{
    for (auto field : TextsOf(&Copy))
        FreeText(Copy.*field);
}

template <typename TRec>
TRecordCopy<TRec>::TRecordCopy(TRecordCopy&& other) noexcept
    : Copy(other.Copy), ResourceIds(std::move(other.ResourceIds))
{
    for (auto field : TextsOf(&Copy))
        other.Copy.*field = nullptr;
}

template <typename TRec> void TRecordCopy<TRec>::RestoreInto(TRec& rec, void** resourceCursor) const
{
    if (!rec.Deleted)
        Release(rec);
    if constexpr (std::is_same_v<TRec, TVorgangRec>) {
        TOutlineNode* node = rec.Node;
        rec = Copy;
        rec.Node = node;
    } else {
        (void)resourceCursor;
        rec = Copy;
    }
    if (Copy.Deleted)
        return;
    for (auto field : TextsOf(&rec))
        rec.*field = CopyText(Copy.*field);
    if constexpr (std::is_same_v<TRec, TVorgangRec>) {
        rec.Resources = new TDynaArray(sizeof(int32_t), resourceCursor);
        for (int32_t id : ResourceIds)
            *static_cast<int32_t*>(rec.Resources->Append()) = id;
    }
}

template <typename TRec> std::size_t TRecordCopy<TRec>::Bytes() const
{
    std::size_t bytes = sizeof(*this) + ResourceIds.capacity() * sizeof(int32_t);
    for (auto field : TextsOf(&Copy))
        bytes += TextBytes(Copy.*field);
    return bytes;
}

template class TRecordCopy<TVorgangRec>;
template class TRecordCopy<TArbeiterRec>;

std::size_t TOutlineOp::Bytes() const
{
    return sizeof(*this) + (At.capacity() + To.capacity()) * sizeof(int32_t) +
           Shape.capacity() * sizeof(TShapeNode) + AfterExpanded.capacity() / 8;
}

std::size_t TUndoStep::Bytes() const
{
    std::size_t bytes = sizeof(*this) + std::size_t(Name.capacity()) * sizeof(QChar) +
                        Schedule.capacity() * sizeof(TScheduleChange);
    for (const TOutlineOp& op : Ops)
        bytes += op.Bytes();
    for (const auto& change : Vorgaenge)
        bytes += change.Before.Bytes() + change.After.Bytes() + sizeof(change.Index);
    for (const auto& change : Arbeiter)
        bytes += change.Before.Bytes() + change.After.Bytes() + sizeof(change.Index);
    if (Labels)
        for (std::size_t i = 0; i < Labels->Before.size(); ++i)
            bytes += std::size_t(Labels->Before[i].capacity() + Labels->After[i].capacity()) * sizeof(QChar);
    for (const auto* selections : {&SelectionBefore, &SelectionAfter})
        for (const auto& path : *selections)
            if (path)
                bytes += path->capacity() * sizeof(int32_t);
    return bytes;
}

void TUndoHistory::Push(std::unique_ptr<TUndoStep> step)
{
    while (Steps.size() > Position) {
        TotalBytes -= Steps.back()->Bytes();
        Steps.pop_back();
    }
    if (SavedPosition > std::ptrdiff_t(Position))
        SavedPosition = -1;
    TotalBytes += step->Bytes();
    Steps.push_back(std::move(step));
    ++Position;
    while (Steps.size() > 1 && (Steps.size() > MaxSteps || TotalBytes > MaxBytes)) {
        TotalBytes -= Steps.front()->Bytes();
        Steps.pop_front();
        --Position;
        SavedPosition = SavedPosition > 0 ? SavedPosition - 1 : -1;
    }
}

void TUndoHistory::Clear(bool savedNow)
{
    Steps.clear();
    Position = 0;
    SavedPosition = savedNow ? 0 : -1;
    TotalBytes = 0;
}
