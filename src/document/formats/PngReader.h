#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QList>

namespace korvane {

// Decodes a PNG file of any colour type and bit depth, interlaced or not.
// Transparent pixels are composited over white, as icons are shown
// (round(c a / 255 + 255 (255 - a) / 255) on 8-bit values), and the picture
// kept as compact as that allows: grey pictures (with or without alpha) become
// Format_Grayscale8, palette ones Format_Indexed8 (the colour table over
// white; indices past the palette are black), all others Format_RGB32.
// 16-bit samples are rounded to 8 bits (v / 257), lower depths stretched to 8.
// Gamma, chromaticity and colour-profile chunks are ignored, as image
// editors and ImageMagick do by default: the samples are taken as the sRGB
// values that screen shots are, so a picture saved and read back keeps its
// pixels. Ancillary chunks whose CRC is wrong are skipped.
// Throws KorvaneError for a damaged or truncated file, before taking memory
// the file's data could not fill.
QImage readPng(const QByteArray &file);

// The same decoding with the alpha kept: always Format_ARGB32. For icons,
// whose transparency the caller keeps.
QImage readPngWithAlpha(QByteArrayView file);

// The data of every chunk of `type` (four letters, e.g. a private ancillary
// chunk) before IEND, in file order, without decoding the picture.
// Throws KorvaneError when the file's chunk structure is damaged or one of
// those chunks fails its CRC.
QList<QByteArray> readPngChunks(const QByteArray &file, QByteArrayView type);

} // namespace korvane
