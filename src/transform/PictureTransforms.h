#pragma once

#include <QImage>

namespace korvane {

// The kind codes of TransformPicture. W × H is the source's size and (x, y) a
// source pixel; the mirrorings have codes of their own, not multiples of 90.
enum TransformKind : int {
    tkRotate90 = 90,   // a quarter turn clockwise, to H × W: (x, y) goes to (H - 1 - y, x)
    tkRotate180 = 180, // a half turn: (x, y) goes to (W - 1 - x, H - 1 - y)
    tkRotate270 = 270, // a quarter turn anticlockwise, to H × W: (x, y) goes to (y, W - 1 - x)
    tkMirrorLR = 99,   // left to right: (x, y) goes to (W - 1 - x, y)
    tkMirrorTB = 188,  // top to bottom: (x, y) goes to (x, H - 1 - y)
};

// The source turned or mirrored as `kind` says. A pure rearrangement: every
// pixel is copied as it is, nothing is blended. The result has the source's
// pixel format and colour table, so every colour value survives unchanged.
// An empty source gives an empty picture; an unknown kind gives the source.
// Throws KorvaneError when the memory for the result cannot be had.
QImage TransformPicture(const QImage &source, int kind);

// The source stretched to newWidth × newHeight as a raster copy in the
// black-on-white stretch mode does it, in Format_RGB32: on an enlarged axis
// each source pixel is repeated over the pixels that fall on it; on a reduced
// axis the colour values of all the source pixels that fall on one pixel are
// combined with a bitwise AND. No smoothing; equal sizes give an exact copy.
//
// Which pixels fall on which, on each axis by itself: a pixel at position i
// of the longer axis belongs to position i × shorter / longer of the shorter
// one, truncated. So an enlarged pixel d repeats source pixel d × W / newW,
// and a reduced pixel d is the AND of the source pixels from
// ceil(d × W / newW) up to ceil((d + 1) × W / newW), a run of the same length
// within one everywhere. Because the rule is the same in both directions, a
// reduction back to the original size undoes any enlargement exactly.
//
// An empty source or a target without area gives an empty picture. A target
// too large to allocate throws KorvaneError; the source is never touched.
QImage StretchPicture(const QImage &source, int newWidth, int newHeight);

// The part of the picture inside `rect` (clipped to it), in the picture's own
// pixel format and colour table. Throws KorvaneError when the memory for it
// cannot be had; the source is never touched.
QImage CropPicture(const QImage &source, const QRect &rect);

} // namespace korvane
