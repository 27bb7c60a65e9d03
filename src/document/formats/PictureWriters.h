#pragma once

#include <QImage>

class QIODevice;

namespace korvane {

// The three file formats the composed picture is saved in. Each writer takes
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

} // namespace korvane
