#pragma once

#include <QString>

// Owned, zero-terminated UTF-16 texts of records and labels. A null text reads as
// empty. Whoever replaces a text frees the old buffer first; FreeText sets the
// field to null.

// Stores a fresh copy of text into field; does not free what field held before.
// An empty text yields a buffer holding only the terminator: the one EmptyText,
// which every empty text shares (a project has millions of them) and FreeText
// leaves alone. Texts are never written in place.
void WideCopy(char16_t*& field, const QString& text);
char16_t* EmptyText();
// A buffer for a text of length code units, its terminator written, for whoever
// copies the units in; FreeText frees it. Texts up to 62 units come from slabs
// (model/Slabs.h), 8 bytes apart in size: a project's names, notes and fields are
// millions of short texts, and the heap adds 8 bytes to each and rounds it up to 16.
char16_t* NewText(std::size_t length);
void FreeText(char16_t*& field);
// Replaces an owned text: the old one is freed before the copy is made.
void ReplaceText(char16_t*& field, const QString& text);
QString TextOf(const char16_t* text);
// The text itself, without a copy; valid while the text is.
QStringView TextView(const char16_t* text);
