#pragma once

#include <QImage>

class QImageReader;

namespace korvane {

// Pictures larger than this are refused before any memory is taken for them:
// a header may claim any size, and a document holds two copies of its picture
// (BaseBmp and DrawBmp). The limits leave room for 16K screens and for
// metafiles drawn at 1200 dpi on an A4 page.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr qint64 kMaxPicturePixels = qint64(1) << 28; // 268 million pixels, 1 GiB at 32 bits

// Throws KorvaneError with a clear message when width × height cannot be a
// picture of this program (not positive, or too large).
void checkPictureSize(qint64 width, qint64 height);

// A new picture of that size and format; throws KorvaneError when the size is
// refused or the memory cannot be had. The pixels are not initialised.
QImage allocatePicture(qint64 width, qint64 height, QImage::Format format);

// Throws KorvaneError saying that the memory for a width × height picture
// could not be had, when `picture` (made for that size) is null.
void checkAllocated(const QImage &picture, qint64 width, qint64 height);

// Reads a picture through Qt's image reader within the program's limits: the
// size the header claims is checked before anything is decoded (throwing
// KorvaneError when refused), and the reader's own allocation limit is raised
// to them. A null result means the content could not be decoded.
QImage readWithinLimits(QImageReader &reader);

} // namespace korvane
