#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Pixels of a picture file as an independent decoder on this machine sees
// them: ImageMagick's convert for BMP, icons and PNG, libjpeg-turbo's djpeg for
// JPEG. A null image means the tool is missing or refused the file.
namespace reference {

// The whole file, or nothing when it cannot be read.
QByteArray readAll(const QString &path);

bool haveConvert();
bool haveDjpeg();

// convert <file>[frame] -> RGBA pixels.
QImage decodeWithConvert(const QString &path, int frame = 0);

// convert <file> [options] -> RGBA pixels of 16 bits each (Format_RGBA64):
// the samples of 16-bit files as they are, 8-bit ones as v * 257.
QImage decodeWithConvert16(const QString &path, const QStringList &options = {});

// djpeg -> PPM or PGM, Format_RGB888 or Format_Grayscale8.
QImage decodeWithDjpeg(const QString &path);

// Empty when `got` matches the reference `want`, otherwise where they first
// differ. Colour channels may differ by `tolerance`; pixels `want` leaves
// fully transparent have no colour to compare. With compareAlpha the alpha
// values must be equal too.
QString firstDifference(const QImage &got, const QImage &want, int tolerance = 0,
                        bool compareAlpha = false);

} // namespace reference
