#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace korvane {

// The picture size in pixels of an enhanced metafile or of a placeable
// Windows metafile, whatever the file's name says; throws
// KorvaneError("メタファイルが不正です") for any other content (a Windows
// metafile without the placeable header included) and for a size of zero or
// less. Screen resolution is 96 pixels per inch.
QSize metafileSize(const QByteArray &file);

// The metafile drawn on a white picture of metafileSize(file), Format_RGB32,
// its frame (enhanced) or bounding box (placeable) filling the picture.
// Throws as metafileSize does, and for absurd sizes. The drawing is converted
// to SVG by libemf2svg or libwmf in a child process and drawn by Qt; a file
// the library rejects, or on which it crashes or runs too long, is refused as
// invalid (a Windows metafile only when libwmf rejects its first record:
// otherwise the records before the one it rejects are drawn). A file the
// library converts without drawing anything (an enhanced metafile whose only
// drawing is EMF+ data, say) gives a white picture.
QImage readMetafile(const QByteArray &file);

// Windows' MulDiv: a * b / c with a 64-bit product, rounded half away from
// zero; -1 when c is 0 or the result does not fit in 32 bits.
int mulDiv(int a, int b, int c);

} // namespace korvane
