#pragma once

// The pictures and documents that the benchmarks measure: 4K, photo-like
// content, and the annotations a busy instruction sheet carries.

#include "editor/EditorDocument.h"

#include <QImage>

namespace bench {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

// Photo-like content: smooth gradients, a few soft shapes and fine noise.
// Flat pictures compress and decode far faster than photos and would flatter
// the readers.
QImage photoLikePicture(int width, int height);

// 100 lines and arrows (mostly short strokes, some across the picture) and
// 100 texts in the Japanese font, in ten colours.
void addAnnotations(korvane::EditorDocument &document);

// 50 each of frames, highlights, numbered markers and redactions, of the
// sizes people draw them, in the same colours.
void addShapes(korvane::EditorDocument &document);

// The picture compressed by libjpeg's own encoder at `quality`, from the
// 32-bit rows as they lie in memory: the floor for the program's JPEG writer.
QByteArray compressJpeg(const QImage &picture, int quality);

} // namespace bench
