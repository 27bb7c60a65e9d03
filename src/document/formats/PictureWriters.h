#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

class QIODevice;

namespace korvane {

// The file formats the composed picture is saved in. Each writer takes
// the picture as it is shown (any format; it is read as 24-bit colour) and
// throws KorvaneError when the device refuses the bytes or the picture
// cannot be written in the format.

// A standard uncompressed Windows BMP of 24 bits per pixel: the 14-byte file
// header, the 40-byte information header (height positive: rows bottom-up),
// no colour table, rows of blue, green, red padded to 4 bytes.
void writeBmp(const QImage &picture, QIODevice &out);

// A baseline JPEG through libjpeg with its defaults (JFIF, YCbCr 4:2:0,
// standard Huffman tables) at quality 90: the bytes libjpeg's own encoder
// writes for the same pixels.
void writeJpeg(const QImage &picture, QIODevice &out);

// The icon file of a 32 x 32 picture: 766 bytes, one 16-colour image in the
// standard palette (each pixel the nearest of its colours) with a 1-bit mask.
// The colour of the top-left pixel is the transparent one: it becomes black
// in the image and transparent in the mask.
inline constexpr int kIconSide = 32;
void writeIcon(const QImage &picture, QIODevice &out);

// A chunk the PNG writer adds before IEND: its type, four letters whose
// first is lower case (an ancillary chunk, which readers that do not know it
// skip; a second one lower case too for a private one), and its data.
struct PngChunk
{
    QByteArray type;
    QByteArray data;
};

// A PNG of 8-bit RGB without alpha, not interlaced: lossless, every pixel
// read back as it was. Each row takes the filter whose output has the
// smallest sum of magnitudes (the usual heuristic; the picture's two halves
// are filtered at once on two cores), and the rows are compressed as one
// zlib stream by libdeflate at level 5, which on screen shots makes files
// the size of zlib's default level's in under a third of its time. `extra`
// chunks follow the pixels, in their order; a type that is not a valid
// ancillary chunk's is refused with KorvaneError.
void writePng(const QImage &picture, QIODevice &out, const QList<PngChunk> &extra = {});

} // namespace korvane
