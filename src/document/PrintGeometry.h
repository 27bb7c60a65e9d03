#pragma once

#include <QSize>

namespace korvane {

// a × b / c with a 64-bit intermediate, rounded to the nearest integer,
// halves away from zero. c must not be 0.
qint64 MulDiv(qint64 a, qint64 b, qint64 c);

// The size a picture is printed at on a page of `page` device pixels: its
// aspect ratio kept, filling the page's width when the picture is relatively
// wider than the page, its height otherwise (equal ratios included). Small
// pictures grow and large ones shrink without limit. Throws KorvaneError for
// an empty picture or page, which have no size to print at.
QSize printTargetSize(QSize picture, QSize page);

} // namespace korvane
