#pragma once

#include "common/Color.h"

#include <QString>

namespace korvane {

// Tool modes; the pointer handlers dispatch on them.
enum ToolMode : qint32 {
    mdNone = 0,
    mdSelect = 1,
    mdLine = 10,
    mdArrow = 15,
    mdText = 20,
    mdTextPlaced = 25,
    mdFrame = 30,
    mdHighlight = 35,
    mdNumber = 40,
    mdRedact = 45,
    mdSpoide = 50,
    mdCrop = 60,
};

// The picture's cursor per tool: the platform's default arrow, the I-beam,
// or one of the editor's own cursor slots.
enum PictureCursor : int {
    crDefault = 0,
    crIBeam = -4,
    crCross = -3,
    crSpoideCursor = 4,
    crLineCursor = 6
};

// What choosing a tool shows: its name in the mode display, in its colour;
// the two lines telling what the tool does and what a colour click sets;
// and the picture's cursor.
struct ToolModeInfo
{
    ToolMode mode;
    TColor nameColor;
    QString name;
    QString explanation; // two lines, CR LF between them
    PictureCursor cursor;
};

// The row of a tool; null for mdNone, mdTextPlaced and unknown values.
const ToolModeInfo *toolModeInfo(qint32 mode);

// What a click in the colour grid sets in a mode.
enum class GridTarget { LineColor, TextBackground };
GridTarget colorGridTarget(qint32 mode);

// The sixteen colours of the colour grid, by cell index (row × 8 + column).
inline constexpr int kGridColorCount = 16;
TColor gridColor(int index);
// The colour's name, as a screen reader says it.
QString gridColorName(int index);

// The frame colour round the line-colour swatch: the complement of the colour.
inline constexpr TColor swatchFrameColor(TColor lineColor)
{
    return lineColor ^ 0xFFFFFF;
}

// The width field's value: the integer written in it; a text that is not an
// integer of 32 bits reads as the minimum.
inline constexpr qint32 kMinLineWidth = 1;
inline constexpr qint32 kMaxLineWidth = 100;
qint32 lineWidthFromText(const QString &text);
inline constexpr qint32 clampLineWidth(qint64 value)
{
    return value < kMinLineWidth ? kMinLineWidth
                                 : (value > kMaxLineWidth ? kMaxLineWidth : qint32(value));
}

} // namespace korvane
