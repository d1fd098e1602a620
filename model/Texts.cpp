#include "Texts.h"

#include <algorithm>

namespace {

char16_t Terminator[1] = {0};

} // namespace

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
    auto* buffer = new char16_t[std::size_t(text.size()) + 1]();
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), buffer);
    field = buffer;
}

void FreeText(char16_t*& field)
{
    if (field != EmptyText())
        delete[] field;
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
