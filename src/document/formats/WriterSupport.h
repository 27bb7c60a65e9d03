#pragma once

#include <QImage>

class QIODevice;

namespace korvane {

// The picture as 32-bit colour, shared when it already is.
QImage asRgb32(const QImage &picture);

// Writes every byte or throws KorvaneError with the device's reason.
void writeAll(QIODevice &out, const char *data, qint64 size);

// Asks the system to start writing the file's bytes so far to the disk,
// without waiting: the flush at the end of a save then has little left to
// wait for. Does nothing for devices that are not files.
void startWriteback(QIODevice &out);

// The device's file name for messages, or empty.
QString deviceName(const QIODevice &out);

} // namespace korvane
