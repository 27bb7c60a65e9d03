#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace korvane {

// Decoding of a device-independent bitmap: the info header, the optional
// colour masks, the palette and the pixels. BMP files wrap one in a file
// header; icon and cursor entries store one "packed" (pixels right after the
// palette) with an AND mask after the pixels.
//
// Header sizes understood: 12 (OS/2 1.x core header, 3-byte palette entries),
// 16..64 (OS/2 2.x, shortened or full), 40, 52, 56 (Windows info headers),
// 108 and 124 (V4 and V5). Any other size is refused.
//
// Pixels an RLE picture leaves out (delta codes, early end of line or end of
// bitmap) get palette index 0, as the common Windows renderer shows them; in
// an RLE24 picture they are black. Runs that go past the end of a row, jumps
// off the picture, palette indexes beyond the palette and pixel data cut short
// are all errors: the picture is damaged and guessing would show garbage.
struct DibOptions
{
    // The reader's message for a damaged picture. A short reason in
    // full-width parentheses is appended to it.
    QString invalidMessage;

    // Where the pixels start, counted from the start of the info header; -1
    // when they follow the palette directly (a packed DIB). The palette is cut
    // short when the pixels start inside it, as some OS/2 writers do.
    qsizetype pixelOffset = -1;

    // Icon and cursor entries: the header's height covers the picture and its
    // AND mask, so the picture is half as high. Compressed pixels are refused
    // there (Windows does not draw them either), and a 32-bit picture keeps its
    // alpha channel as Format_ARGB32.
    bool iconEntry = false;
};

struct DibPicture
{
    QImage image;
    // Offset just past the pixel data (for icons, where the AND mask starts),
    // counted from the start of the info header.
    qsizetype pixelsEnd = 0;
    bool bottomUp = true;
    // The picture carries a real alpha channel (32-bit icon entries only).
    bool hasAlpha = false;
};

// Decodes the DIB at the start of `dib`. The result keeps the pixel format:
//   1 bit -> Format_Mono; 2, 4, 8 bit and RLE4/RLE8 -> Format_Indexed8 with the
//   palette as colour table; 16 bit 5-5-5 -> Format_RGB555; 16 bit 5-6-5 ->
//   Format_RGB16; everything else -> Format_RGB32 (Format_ARGB32 for a 32-bit
//   icon entry).
// Throws KorvaneError (options.invalidMessage, or the size messages of
// checkPictureSize) for a damaged or unsupported DIB.
DibPicture decodeDib(QByteArrayView dib, const DibOptions &options);

} // namespace korvane
