#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>

namespace korvane {

// Decodes the image of an icon file (.ico) that the desktop would show: the
// one whose size is nearest to 32 x 32, more colours preferred among equals.
// The result is Format_ARGB32 with the icon's mask as transparency.
// Throws KorvaneError for a damaged file.
QImage readIcon(const QByteArray &file);

struct CursorPicture
{
    QImage image; // Format_ARGB32
    QPoint hotSpot;
};

// Decodes a cursor file (.cur): the image chosen as for icons, and its hot spot.
CursorPicture readCursor(const QByteArray &file);

} // namespace korvane
