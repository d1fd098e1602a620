#include "Texts.h"

#include "Slabs.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

char16_t Terminator[1] = {0};

// A text's block begins with one code unit before the text: the slab class of the
// block, or FromHeap. A freed text so finds its slabs without its length, which an
// embedded zero would cut short.
constexpr std::size_t ClassBytes = 8;
constexpr std::size_t Classes = 16;
constexpr char16_t FromHeap = 0xFFFF;

TSlabs& SlabsOf(std::size_t cls)
{
    // Never destroyed: a text may outlive every other static object.
    static TSlabs* slabs = [] {
        auto* all = static_cast<TSlabs*>(::operator new(sizeof(TSlabs) * Classes));
        for (std::size_t c = 0; c < Classes; ++c)
            new (all + c) TSlabs((c + 1) * ClassBytes);
        return all;
    }();
    return slabs[cls];
}

} // namespace

char16_t* NewText(std::size_t length)
{
    const std::size_t units = length + 2;
    if (units > std::numeric_limits<std::size_t>::max() / sizeof(char16_t))
        throw std::bad_alloc();
    const std::size_t cls = (units * sizeof(char16_t) - 1) / ClassBytes;
    char16_t* block;
    if (cls < Classes) {
        block = static_cast<char16_t*>(SlabsOf(cls).Take());
        block[0] = char16_t(cls);
    } else {
        block = new char16_t[units];
        block[0] = FromHeap;
    }
    block[length + 1] = 0;
    return block + 1;
}

char16_t* EmptyText()
{
    return Terminator;
}

void WideCopy(char16_t*& field, const QString& text)
{
    if (text.isEmpty()) {
        field = EmptyText();
        return;
    }
    char16_t* buffer = NewText(std::size_t(text.size()));
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), buffer);
    field = buffer;
}

void FreeText(char16_t*& field)
{
    if (field && field != EmptyText()) {
        char16_t* block = field - 1;
        if (block[0] != FromHeap)
            SlabsOf(block[0]).Give(block);
        else
            delete[] block;
    }
    field = nullptr;
}

void ReplaceText(char16_t*& field, const QString& text)
{
    FreeText(field);
    WideCopy(field, text);
}

QString TextOf(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

QStringView TextView(const char16_t* text)
{
    return text ? QStringView(text) : QStringView();
}
