#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace korvane {

// The picture size in pixels of an enhanced metafile or of a placeable
// Windows metafile; throws KorvaneError("メタファイルが不正です") for any
// other content. Screen resolution is 96 pixels per inch.
QSize metafileSize(const QByteArray &file);

// The metafile drawn at (0, 0) on a white picture of metafileSize(file),
// Format_RGB32. Throws as metafileSize does, and for absurd sizes.
QImage readMetafile(const QByteArray &file);

// Windows' MulDiv: a * b / c with a 64-bit product, rounded half away from
// zero; -1 when c is 0 or the result does not fit in 32 bits.
int mulDiv(int a, int b, int c);

} // namespace korvane
