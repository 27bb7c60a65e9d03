#include "editor/Annotations.h"

#include <QFontMetrics>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace korvane {

namespace {

// A pen as the lines use it: round ends and joins for wide pens, and the
// inverting raster operation for the selection mark.
void applyPen(QPainter &canvas, const PenState &pen, TColor color, bool invert)
{
    QPen qpen(toQColor(color));
    qpen.setWidth(pen.width);
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    canvas.setPen(qpen);
    canvas.setCompositionMode(invert ? QPainter::RasterOp_NotDestination
                                     : QPainter::CompositionMode_SourceOver);
}

// A typed width may be absurd (a million, or a large negative number). The
// painter gets at most twice the picture's width plus height: any stroke that
// wide covers the whole picture from wherever it touches it, so what is shown
// stays the same while the stroker and the arrow head stay cheap and in range.
qint32 drawableWidth(qint32 width, const QPaintDevice *device)
{
    const qint64 bound = 2 * (qint64(device->width()) + device->height()) + 16;
    return qint32(std::clamp<qint64>(width, -bound, bound));
}

ArrowHead arrowHeadCorners(const TLineRec &Rec, qint32 width)
{
    using real = long double;
    const real L = 3.0L * width + 6;
    const real H = L * std::tan(15.0L * std::numbers::pi_v<real> / 180.0L);
    const real theta = std::atan2(real(Rec.Y1) - Rec.Y2, real(Rec.X1) - Rec.X2);
    const real c = std::cos(theta), s = std::sin(theta);
    // rint rounds ties to the even neighbour in the default rounding mode;
    // the sum is kept within 32 bits for extreme coordinates.
    auto at = [](qint32 origin, real offset) {
        return int(std::clamp<real>(origin + std::rint(offset), INT_MIN, INT_MAX));
    };
    return {QPoint(at(Rec.X2, L * c - H * s), at(Rec.Y2, L * s + H * c)),
            QPoint(at(Rec.X2, L * c + H * s), at(Rec.Y2, L * s - H * c))};
}

// A rectangle from 64-bit bounds, kept where QRect's arithmetic is safe;
// extents far outside any picture only need to stay outside it.
QRect clampedRect(qint64 left, qint64 top, qint64 right, qint64 bottom)
{
    static constexpr qint64 far = qint64(1) << 29;
    auto bound = [](qint64 v) { return int(std::clamp(v, -far, far)); };
    return QRect(QPoint(bound(left), bound(top)), QPoint(bound(right), bound(bottom)));
}

// How far a line's pixels reach past its geometry: half the pen on either
// side, its round caps and joins, and the rasteriser's rounding.
qint64 lineMargin(qint32 width)
{
    return width / 2 + 4;
}

// The arrow head's triangle, widened by `margin`.
QRect headRect(const TLineRec &Rec, qint32 width, qint64 margin)
{
    const ArrowHead head = arrowHeadCorners(Rec, width);
    const qint64 left = std::min({qint64(Rec.X2), qint64(head.P1.x()), qint64(head.P2.x())});
    const qint64 right = std::max({qint64(Rec.X2), qint64(head.P1.x()), qint64(head.P2.x())});
    const qint64 top = std::min({qint64(Rec.Y2), qint64(head.P1.y()), qint64(head.P2.y())});
    const qint64 bottom = std::max({qint64(Rec.Y2), qint64(head.P1.y()), qint64(head.P2.y())});
    return clampedRect(left - margin, top - margin, right + margin, bottom + margin);
}

int saturatedSum(qint32 a, int b)
{
    return int(std::clamp<qint64>(qint64(a) + b, INT_MIN, INT_MAX));
}

} // namespace

QRect TMoji::Measure() const
{
    const QFontMetrics metrics(Font);
    return QRect(QPoint(X, Y), QPoint(saturatedSum(X, metrics.horizontalAdvance(Text)),
                                      saturatedSum(Y, metrics.height())));
}

void TMoji::Draw(QPainter &canvas, PenState &pen, bool Selected) const
{
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // A text may have been moved anywhere; only one that meets the picture is
    // drawn, which also keeps the painter's integer arithmetic in range.
    const QRect extent = Measure();
    const QRect device(0, 0, canvas.device()->width(), canvas.device()->height());
    if (Selected)
        pen.width = 2; // the frame's pen stays on the canvas afterwards
    if (extent.right() < device.left() - 1 || extent.left() > device.right() + 1 ||
        extent.bottom() < device.top() - 1 || extent.top() > device.bottom() + 1)
        return;
    if (!Text.isEmpty()) {
        const QFontMetrics metrics(Font);
        if (BkColor != clNone)
            canvas.fillRect(X, Y, metrics.horizontalAdvance(Text), metrics.height(),
                            toQColor(BkColor));
        // Colour fringes of sub-pixel smoothing would be baked into the
        // picture and saved with it; grey smoothing looks right everywhere.
        QFont font = Font;
        font.setStyleStrategy(QFont::NoSubpixelAntialias);
        canvas.setFont(font);
        canvas.setPen(toQColor(FontColor));
        canvas.drawText(X, Y + metrics.ascent(), Text);
    }
    if (Selected) {
        // A frame two pixels wide that inverts what lies under it, round the
        // cell from (X, Y) up to (but not on) the measured right and bottom.
        const QRect &r = extent;
        QPen frame(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        canvas.setPen(frame);
        canvas.setBrush(Qt::NoBrush);
        canvas.setCompositionMode(QPainter::RasterOp_NotDestination);
        canvas.drawRect(
            QRectF(r.left(), r.top(), r.right() - r.left() - 1, r.bottom() - r.top() - 1)
                .translated(0.5, 0.5));
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

QRect TMoji::Extent() const
{
    const QFontMetrics metrics(Font);
    const QRect ink = metrics.boundingRect(Text);
    const qint64 margin = 3 + metrics.height() / 4;
    const qint64 left = qMin<qint64>(X, qint64(X) + ink.left()) - margin;
    const qint64 top = qMin<qint64>(Y, qint64(Y) + metrics.ascent() + ink.top()) - margin;
    const qint64 right = qint64(X) + qMax(metrics.horizontalAdvance(Text), ink.right()) + margin;
    const qint64 bottom =
        qint64(Y) + qMax(metrics.height(), metrics.ascent() + ink.bottom()) + margin;
    return clampedRect(left, top, right, bottom);
}

bool TMoji::Contains(qint32 PX, qint32 PY) const
{
    const QRect r = Measure();
    return r.left() <= PX && PX <= r.right() && r.top() <= PY && PY <= r.bottom();
}

ArrowHead ArrowHeadCorners(const TLineRec &Rec)
{
    return arrowHeadCorners(Rec, Rec.Width);
}

void DrawArrowHead(QPainter &canvas, const TLineRec &Rec, bool Selected)
{
    const ArrowHead head = arrowHeadCorners(Rec, drawableWidth(Rec.Width, canvas.device()));
    if (Selected)
        canvas.setBrush(Qt::NoBrush);
    else
        canvas.setBrush(toQColor(Rec.Color));
    const QPoint polygon[3] = {QPoint(Rec.X2, Rec.Y2), head.P1, head.P2};
    canvas.drawPolygon(polygon, 3);
}

void DrawLineRec(QPainter &canvas, PenState &pen, const TLineRec &Rec, bool Selected)
{
    if (Rec.Width >= 0)
        pen.width = drawableWidth(Rec.Width, canvas.device());
    applyPen(canvas, pen, Rec.Color, Selected);
    canvas.drawLine(Rec.X1, Rec.Y1, Rec.X2, Rec.Y2);
    if (Rec.Arrow)
        DrawArrowHead(canvas, Rec, Selected);
}

QRect LineExtent(const TLineRec &Rec, const QPaintDevice *device)
{
    if (Rec.Width < 0)
        return QRect(0, 0, device->width(), device->height());
    const qint32 width = drawableWidth(Rec.Width, device);
    const qint64 margin = lineMargin(width);
    const QRect shaft =
        clampedRect(qint64(qMin(Rec.X1, Rec.X2)) - margin, qint64(qMin(Rec.Y1, Rec.Y2)) - margin,
                    qint64(qMax(Rec.X1, Rec.X2)) + margin, qint64(qMax(Rec.Y1, Rec.Y2)) + margin);
    return Rec.Arrow ? shaft | headRect(Rec, width, margin) : shaft;
}

QRegion LineArea(const TLineRec &Rec, const QPaintDevice *device)
{
    const QRect whole(0, 0, device->width(), device->height());
    if (Rec.Width < 0)
        return whole;
    const qint32 width = drawableWidth(Rec.Width, device);
    const qint64 margin = lineMargin(width);
    const qint64 dx = qint64(Rec.X2) - Rec.X1, dy = qint64(Rec.Y2) - Rec.Y1;
    const qint64 pieces = std::clamp<qint64>(qMax(std::abs(dx), std::abs(dy)) / 64 + 1, 1, 256);
    QRegion area;
    for (qint64 i = 0; i < pieces; ++i) {
        const qint64 x0 = Rec.X1 + dx * i / pieces, x1 = Rec.X1 + dx * (i + 1) / pieces;
        const qint64 y0 = Rec.Y1 + dy * i / pieces, y1 = Rec.Y1 + dy * (i + 1) / pieces;
        area += clampedRect(qMin(x0, x1) - margin, qMin(y0, y1) - margin, qMax(x0, x1) + margin,
                            qMax(y0, y1) + margin) &
                whole;
    }
    if (Rec.Arrow)
        area += headRect(Rec, width, margin) & whole;
    return area;
}

void SkipLineRec(const QPaintDevice *device, PenState &pen, const TLineRec &Rec)
{
    if (Rec.Width >= 0)
        pen.width = drawableWidth(Rec.Width, device);
}

bool LineHitTest(const TLineRec &Rec, qint32 PX, qint32 PY)
{
    const qint64 T = qint64(Rec.Width) + 2;
    if ((Rec.X1 < PX && PX < Rec.X2) || (Rec.X2 < PX && PX < Rec.X1)) {
        const double m = double(qint64(Rec.Y2) - Rec.Y1) / double(qint64(Rec.X2) - Rec.X1);
        const double D =
            std::fabs(double(PY) - Rec.Y1 - m * (double(PX) - Rec.X1)) / std::sqrt(m * m + 1);
        return D < double(T);
    }
    const bool nearStartX = qint64(Rec.X1) - T < PX && PX < qint64(Rec.X1) + T;
    const bool betweenY = (Rec.Y1 < PY && PY < Rec.Y2) || (Rec.Y2 < PY && PY < Rec.Y1);
    return nearStartX && betweenY;
}

} // namespace korvane
