#pragma once

#include "common/Color.h"

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QString>

namespace korvane {

// Pen state of a drawing surface that outlives single drawing calls, as a
// device context's does: a line whose width cannot be applied (a negative
// width typed into the width field) is drawn with the width the pen last had.
struct PenState
{
    int width = 1;
};

// A straight line, or an arrow whose head sits on (X2, Y2). Only the four
// coordinates change after creation (moving); the rest is fixed.
struct TLineRec
{
    qint32 X1 = 0;
    qint32 Y1 = 0;
    qint32 X2 = 0;
    qint32 Y2 = 0;
    qint32 Width = 0;
    TColor Color = clBlack;
    bool Arrow = false;

    bool operator==(const TLineRec &) const = default;
};

// A single-line text. Its extent is measured anew whenever it is drawn or hit
// tested, in its own font: the advance of the text and the font's line height.
class TMoji
{
public:
    TColor BkColor = 0; // clNone: transparent background
    QFont Font;
    TColor FontColor = clBlack; // the colour that belongs to Font
    QString Text;
    qint32 X = 0;
    qint32 Y = 0;

    // The measured rectangle: left/top at (X, Y), right/bottom inclusive.
    QRect Measure() const;
    void Draw(QPainter &canvas, PenState &pen, bool Selected) const;
    // True when (PX, PY) lies in the measured rectangle, all bounds inclusive.
    bool Contains(qint32 PX, qint32 PY) const;
    // Every pixel that drawing the text may touch, selection frame and glyphs
    // that reach past their cell (italics) included.
    QRect Extent() const;

    bool operator==(const TMoji &) const = default;
};

// Draws a line or arrow; a selected one inverts the pixels along its path and
// its head is an inverted outline without fill.
void DrawLineRec(QPainter &canvas, PenState &pen, const TLineRec &Rec, bool Selected);
void DrawArrowHead(QPainter &canvas, const TLineRec &Rec, bool Selected);

// The two base corners of an arrow head, the tip being (X2, Y2).
struct ArrowHead
{
    QPoint P1;
    QPoint P2;
};
ArrowHead ArrowHeadCorners(const TLineRec &Rec);

bool LineHitTest(const TLineRec &Rec, qint32 PX, qint32 PY);

// Every pixel of `device` that drawing the line or arrow may touch, in its
// plain or selected form. A negative width draws with whatever width the pen
// had, so its extent is the whole device.
QRect LineExtent(const TLineRec &Rec, const QPaintDevice *device);
// The same pixels, more tightly: a band of rectangles along the shaft, so that
// a long diagonal stroke covers a narrow band rather than its bounding box.
// Clipped to the device.
QRegion LineArea(const TLineRec &Rec, const QPaintDevice *device);

// What drawing the annotation does to the pen state, without drawing it: a
// partial recomposition passes over annotations outside its area this way,
// so that the ones after them are drawn exactly as in a full one.
void SkipLineRec(const QPaintDevice *device, PenState &pen, const TLineRec &Rec);
inline void SkipMoji(PenState &pen, bool Selected)
{
    if (Selected)
        pen.width = 2;
}

} // namespace korvane
