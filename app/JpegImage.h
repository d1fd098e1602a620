#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a baseline or progressive JPEG with libjpeg. Damaged or unsupported data
// gives a null image; it never aborts the program.
QImage DecodeJpeg(const QByteArray& data);
