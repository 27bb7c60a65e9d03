#pragma once

#include <QImage>
#include <QString>

// Pixels of a picture file as an independent decoder on this machine sees
// them: ImageMagick's convert for BMP and icons, libjpeg-turbo's djpeg for
// JPEG. A null image means the tool is missing or refused the file.
namespace reference {

bool haveConvert();
bool haveDjpeg();

// convert <file>[frame] -> RGBA pixels.
QImage decodeWithConvert(const QString &path, int frame = 0);

// djpeg -> PPM or PGM, Format_RGB888 or Format_Grayscale8.
QImage decodeWithDjpeg(const QString &path);

} // namespace reference
