#pragma once

#include <QImage>

class QIODevice;

namespace korvane {

// The picture as 32-bit colour, shared when it already is.
QImage asRgb32(const QImage &picture);

// Writes every byte or throws KorvaneError with the device's reason.
void writeAll(QIODevice &out, const char *data, qint64 size);

// The device's file name for messages, or empty.
QString deviceName(const QIODevice &out);

} // namespace korvane
