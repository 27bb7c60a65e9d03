#pragma once

#include <QByteArray>
#include <QImage>

namespace korvane {

// Decodes a whole BMP file (file header, DIB header, palette, pixels).
// The picture keeps the file's pixel format where QImage has one:
//   1 bit -> Format_Mono, 2/4/8 bit and RLE4/RLE8 -> Format_Indexed8,
//   16 bit 5-5-5 -> Format_RGB555, 16 bit 5-6-5 -> Format_RGB16,
//   every other depth and bit-field layout -> Format_RGB32 (alpha ignored).
// Palette files keep their palette as the colour table. Bit fields of any
// width are scaled to 8 bits with rounding. Pixels an RLE file leaves out
// are palette colour 0 (black in RLE24). Embedded JPEG and PNG pictures are
// decoded; an OS/2 bitmap array shows its first bitmap.
// Throws KorvaneError for a damaged or unsupported file (pixel data cut
// short included) and for absurd sizes, before taking memory for them.
QImage readBmp(const QByteArray &file);

} // namespace korvane
