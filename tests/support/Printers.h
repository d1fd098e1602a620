#pragma once

#include <QString>
#include <iosfwd>

// Readable failure messages for Qt texts.
void PrintTo(const QString& text, std::ostream* out);
