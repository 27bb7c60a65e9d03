#pragma once

#include "common/Color.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <vector>

namespace korvane {

// The annotations beside lines and texts: frames, highlighter bands,
// numbered markers and redactions. Plain values: the corners or the centre
// as the pointer gave them, and the style taken from the style row when the
// annotation was made (changed later by restyling a selected one).

// A rectangle outline, dragged from (X1, Y1) to (X2, Y2), in the line
// colour and width.
struct TFrameRec
{
    qint32 X1 = 0;
    qint32 Y1 = 0;
    qint32 X2 = 0;
    qint32 Y2 = 0;
    qint32 Width = 1;
    TColor Color = clRed;

    bool operator==(const TFrameRec &) const = default;
};

// A highlighter band over the pixels from (X1, Y1) up to (not on) (X2, Y2):
// its colour multiplied into them at 40 %, so that dark text under it stays
// dark and readable.
struct THighlightRec
{
    qint32 X1 = 0;
    qint32 Y1 = 0;
    qint32 X2 = 0;
    qint32 Y2 = 0;
    TColor Color = clYellow;

    bool operator==(const THighlightRec &) const = default;
};

// A numbered marker centred on (X, Y): a filled circle in its colour with a
// white number. The number is not stored: it is the marker's place in the
// document's list, so deleting one renumbers the rest.
struct TNumberRec
{
    qint32 X = 0;
    qint32 Y = 0;
    qint32 Width = 5;
    TColor Color = clRed;

    bool operator==(const TNumberRec &) const = default;
};

// A redaction of the pixels from (X1, Y1) up to (not on) (X2, Y2): they are
// replaced by blocks of kRedactBlock pixels, each the average of the
// picture's pixels in it, the blocks aligned to the rectangle's top left.
struct TRedactRec
{
    qint32 X1 = 0;
    qint32 Y1 = 0;
    qint32 X2 = 0;
    qint32 Y2 = 0;

    bool operator==(const TRedactRec &) const = default;
};

inline constexpr int kRedactBlock = 12;
inline constexpr int kHighlightAlpha = 102; // 40 % of 255

// The pixels a dragged rectangle spans: from the press, included, to the
// pointer, not included, in either direction.
QRect SpannedRect(qint32 x1, qint32 y1, qint32 x2, qint32 y2);
template <class Rec> QRect SpannedRect(const Rec &rec)
{
    return SpannedRect(rec.X1, rec.Y1, rec.X2, rec.Y2);
}

// The marker's diameter for its width: at least 20 pixels, four pixels a
// unit of width beyond that, and never more than `limit` (a typed absurd
// width is drawn as large as the picture, not larger).
int NumberDiameter(const TNumberRec &rec, int limit = 1 << 16);

// Drawing, each in its plain or its selected form. Selected, a frame is
// drawn inverting the pixels along its outline, as a selected line is; the
// others are drawn as usual with a two-pixel inverting frame round them, as
// a selected text is. None of them touches the pen that lines borrow.
void DrawFrame(QPainter &canvas, const TFrameRec &rec, bool selected);
// A highlight is multiplied into the pixels of a 32-bit `target` within
// `clip`; its selection frame is drawn apart, over the highlights.
void DrawHighlight(QImage &target, const THighlightRec &rec, const QRegion &clip);
void DrawHighlightFrame(QPainter &canvas, const THighlightRec &rec);
// `number` is the marker's place, from 1.
void DrawNumber(QPainter &canvas, const TNumberRec &rec, int number, bool selected);
// The redaction's selection frame only; its blocks are RedactPixels'.
void DrawRedactFrame(QPainter &canvas, const TRedactRec &rec);

// Hit tests: a frame near its outline, a highlight or redaction anywhere
// inside, a marker inside its circle.
bool FrameHitTest(const TFrameRec &rec, qint32 x, qint32 y);
bool HighlightHitTest(const THighlightRec &rec, qint32 x, qint32 y);
bool NumberHitTest(const TNumberRec &rec, qint32 x, qint32 y);
bool RedactHitTest(const TRedactRec &rec, qint32 x, qint32 y);

// Every pixel of a picture of `size` that drawing the annotation, plain or
// selected, may touch (a frame: the band along its outline only).
QRect FrameExtent(const TFrameRec &rec, QSize size);
QRegion FrameArea(const TFrameRec &rec, QSize size);
QRect HighlightExtent(const THighlightRec &rec, QSize size);
QRect NumberExtent(const TNumberRec &rec, QSize size);
// A redaction's own rectangle, and beyond it as far as the blocks of other
// redactions that it overlaps reach: moving it changes what those average.
QRect RedactExtent(const TRedactRec &rec, QSize size);

// Pixelates `target` where the redactions lie, from the pixels of `base`
// (the same size; any format, read as 32-bit colour) and only within
// `clip`. Where redactions overlap, the later one's blocks win, and each
// block averages only the pixels it keeps; so the result is a function of
// the base's pixels inside the rectangles alone, and pixelating a picture
// already pixelated with the same redactions changes nothing. Each channel
// of the 32-bit pixels (alpha too) is averaged, rounded to the nearest.
void RedactPixels(const QImage &base, QImage &target, const std::vector<const TRedactRec *> &recs,
                  const QRegion &clip);

} // namespace korvane
