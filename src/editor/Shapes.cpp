#include "editor/Shapes.h"

#include <QFont>
#include <algorithm>
#include <climits>
#include <cstring>

namespace korvane {

namespace {

// Rectangles from 64-bit bounds, kept where QRect's arithmetic is safe;
// annotations moved far outside any picture only need to stay outside it.
constexpr qint64 kFar = qint64(1) << 29;

int bound(qint64 v)
{
    return int(std::clamp(v, -kFar, kFar));
}

QRect rectFrom(qint64 left, qint64 top, qint64 right, qint64 bottom)
{
    return QRect(QPoint(bound(left), bound(top)), QPoint(bound(right), bound(bottom)));
}

// A typed width may be absurd: past twice the picture's width plus height
// every stroke covers the whole picture from wherever it touches it.
qint32 drawableWidth(qint32 width, QSize size)
{
    const qint64 limit = 2 * (qint64(size.width()) + size.height()) + 16;
    return qint32(std::clamp<qint64>(width, 1, limit));
}

int limitFor(QSize size)
{
    return int(std::min<qint64>(2 * (qint64(size.width()) + size.height()) + 16, 1 << 16));
}

// The frame's outline: the rectangle's edges from corner to corner.
QRect outline(const TFrameRec &rec)
{
    return rectFrom(std::min(rec.X1, rec.X2), std::min(rec.Y1, rec.Y2), std::max(rec.X1, rec.X2),
                    std::max(rec.Y1, rec.Y2));
}

QRect numberSquare(const TNumberRec &rec, int diameter)
{
    const qint64 left = qint64(rec.X) - diameter / 2, top = qint64(rec.Y) - diameter / 2;
    return rectFrom(left, top, left + diameter - 1, top + diameter - 1);
}

// The selection frame of the filled kinds, as a selected text has it: two
// pixels wide, inverting what lies under it, along the edges of `r`.
void invertingFrame(QPainter &canvas, const QRect &r)
{
    QPen frame(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    canvas.setPen(frame);
    canvas.setBrush(Qt::NoBrush);
    canvas.setCompositionMode(QPainter::RasterOp_NotDestination);
    canvas.drawRect(QRectF(r.left(), r.top(), r.width() - 1, r.height() - 1).translated(0.5, 0.5));
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

bool meets(const QRect &r, const QPaintDevice *device)
{
    return r.intersects(QRect(-2, -2, device->width() + 4, device->height() + 4));
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The base's pixels as 32-bit colour, read where a redaction lies.
class BaseView
{
public:
    BaseView(const QImage &base, const QRect &area)
    {
        const QImage::Format f = base.format();
        if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
            f == QImage::Format_ARGB32_Premultiplied) {
            m_image = &base;
        } else {
            m_converted = base.copy(area).convertToFormat(QImage::Format_RGB32);
            m_image = &m_converted;
            m_offset = area.topLeft();
        }
        start();
    }
    const QRgb *row(int y) const
    {
        return reinterpret_cast<const QRgb *>(m_bits + qsizetype(y - m_offset.y()) * m_stride) -
               m_offset.x();
    }

private:
    void start()
    {
        m_bits = m_image->constBits();
        m_stride = m_image->bytesPerLine();
    }

    const QImage *m_image = nullptr;
    const uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    QImage m_converted;
    QPoint m_offset;
};

// A block's pixels summed two channels to a 32-bit word: a block holds at
// most 144 pixels, so no 16-bit lane overflows.
struct Sum
{
    quint64 rb = 0, ag = 0;
    quint64 n = 0;
    void add(const BaseView &base, const QRect &r)
    {
        quint32 lanesRB = 0, lanesAG = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb *p = base.row(y);
            for (int x = r.left(); x <= r.right(); ++x) {
                lanesRB += p[x] & 0x00FF00FF;
                lanesAG += (p[x] >> 8) & 0x00FF00FF;
            }
        }
        rb += lanesRB;
        ag += lanesAG;
        n += quint64(r.width()) * quint64(r.height());
    }
    QRgb average() const
    {
        auto lane = [&](quint64 lanes, int shift) {
            return quint32((((lanes >> shift) & 0xFFFF) + n / 2) / n);
        };
        return lane(rb, 0) | lane(ag, 0) << 8 | lane(rb, 16) << 16 | lane(ag, 16) << 24;
    }
};

// `bits` is the target's, detached once for all the cells.
void fill(uchar *bits, qsizetype stride, const QRect &r, QRgb value)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb *>(bits + y * stride) + r.left(), r.width(), value);
}

} // namespace

QRect SpannedRect(qint32 x1, qint32 y1, qint32 x2, qint32 y2)
{
    const qint64 left = std::min(x1, x2), top = std::min(y1, y2);
    const qint64 right = std::max(x1, x2), bottom = std::max(y1, y2);
    // Empty when the drag has no width or no height.
    return QRect(QPoint(bound(left), bound(top)), QPoint(bound(right) - 1, bound(bottom) - 1));
}

int NumberDiameter(const TNumberRec &rec, int limit)
{
    const qint64 wanted = std::max<qint64>(20, 4 * qint64(rec.Width));
    return int(std::clamp<qint64>(wanted, 20, std::max(20, limit)));
}

void DrawFrame(QPainter &canvas, const TFrameRec &rec, bool selected)
{
    const QSize size(canvas.device()->width(), canvas.device()->height());
    const qint32 width = drawableWidth(rec.Width, size);
    const QRect r = outline(rec);
    // The pen's band along each edge, centred on it, as four rectangles
    // that never overlap, so that the selected form inverts each pixel once.
    const int before = width / 2, after = width - 1 - before;
    const QRect outer(QPoint(r.left() - before, r.top() - before),
                      QPoint(r.right() + after, r.bottom() + after));
    if (!meets(outer, canvas.device()))
        return;
    canvas.setCompositionMode(selected ? QPainter::RasterOp_NotDestination
                                       : QPainter::CompositionMode_SourceOver);
    const QColor color = toQColor(rec.Color);
    const QRect inner = outer.adjusted(width, width, -width, -width);
    if (!inner.isValid()) {
        canvas.fillRect(outer, color);
    } else {
        canvas.fillRect(QRect(outer.left(), outer.top(), outer.width(), width), color);
        canvas.fillRect(QRect(outer.left(), inner.bottom() + 1, outer.width(), width), color);
        canvas.fillRect(QRect(outer.left(), inner.top(), width, inner.height()), color);
        canvas.fillRect(QRect(inner.right() + 1, inner.top(), width, inner.height()), color);
    }
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void DrawHighlight(QImage &target, const THighlightRec &rec, const QRegion &clip)
{
    const QRect r = SpannedRect(rec) & target.rect();
    if (r.isEmpty() || !clip.intersects(r))
        return;
    // Multiplied in at 40 %: each channel d becomes d * (1 - a + a * c),
    // one table a channel.
    const QColor color = toQColor(rec.Color);
    const int channel[3] = {color.blue(), color.green(), color.red()};
    quint8 table[3][256];
    for (int i = 0; i < 3; ++i) {
        const int factor = (255 - kHighlightAlpha) * 255 + kHighlightAlpha * channel[i];
        for (int d = 0; d < 256; ++d)
            table[i][d] = quint8((d * factor + 255 * 255 / 2) / (255 * 255));
    }
    uchar *bits = target.bits();
    const qsizetype stride = target.bytesPerLine();
    for (const QRect &part : clip & r) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(bits + y * stride);
            for (int x = part.left(); x <= part.right(); ++x) {
                const QRgb v = p[x];
                p[x] = (v & 0xFF000000) | quint32(table[2][(v >> 16) & 0xFF]) << 16 |
                       quint32(table[1][(v >> 8) & 0xFF]) << 8 | table[0][v & 0xFF];
            }
        }
    }
}

void DrawHighlightFrame(QPainter &canvas, const THighlightRec &rec)
{
    const QRect r = SpannedRect(rec);
    if (!r.isEmpty() && meets(r, canvas.device()))
        invertingFrame(canvas, r);
}

void DrawNumber(QPainter &canvas, const TNumberRec &rec, int number, bool selected)
{
    const QSize size(canvas.device()->width(), canvas.device()->height());
    const int diameter = NumberDiameter(rec, limitFor(size));
    const QRect square = numberSquare(rec, diameter);
    if (!meets(square, canvas.device()))
        return;
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, true);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(toQColor(rec.Color));
    canvas.drawEllipse(QRectF(square));
    const QString digits = QString::number(number);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setBold(true);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    const double share = digits.size() <= 1 ? 0.62 : digits.size() == 2 ? 0.5 : 0.36;
    font.setPixelSize(std::max(6, int(diameter * share)));
    canvas.setFont(font);
    canvas.setPen(Qt::white);
    canvas.drawText(square, Qt::AlignCenter, digits);
    canvas.restore();
    if (selected)
        invertingFrame(canvas, square);
}

void DrawRedactFrame(QPainter &canvas, const TRedactRec &rec)
{
    const QRect r = SpannedRect(rec);
    if (!r.isEmpty() && meets(r, canvas.device()))
        invertingFrame(canvas, r);
}

bool FrameHitTest(const TFrameRec &rec, qint32 x, qint32 y)
{
    const QRect r = outline(rec);
    const int t = std::clamp(rec.Width, 1, 1 << 20) / 2 + 3;
    const QRect outer = r.adjusted(-t, -t, t, t);
    const QRect inner = r.adjusted(t, t, -t, -t);
    return outer.contains(x, y) && !(inner.isValid() && inner.contains(x, y));
}

bool HighlightHitTest(const THighlightRec &rec, qint32 x, qint32 y)
{
    return SpannedRect(rec).contains(x, y);
}

bool NumberHitTest(const TNumberRec &rec, qint32 x, qint32 y)
{
    const qint64 radius = NumberDiameter(rec) / 2 + 1;
    const qint64 dx = qint64(x) - rec.X, dy = qint64(y) - rec.Y;
    return dx * dx + dy * dy <= radius * radius;
}

bool RedactHitTest(const TRedactRec &rec, qint32 x, qint32 y)
{
    return SpannedRect(rec).contains(x, y);
}

QRect FrameExtent(const TFrameRec &rec, QSize size)
{
    const qint64 m = drawableWidth(rec.Width, size) / 2 + 4;
    const QRect r = outline(rec);
    return rectFrom(r.left() - m, r.top() - m, r.right() + m, r.bottom() + m) & QRect(QPoint(), size);
}

QRegion FrameArea(const TFrameRec &rec, QSize size)
{
    const qint64 m = drawableWidth(rec.Width, size) / 2 + 4;
    const QRect r = outline(rec);
    const QRect outer = rectFrom(r.left() - m, r.top() - m, r.right() + m, r.bottom() + m);
    const QRect inner = rectFrom(r.left() + m, r.top() + m, r.right() - m, r.bottom() - m);
    QRegion area(outer & QRect(QPoint(), size));
    if (inner.isValid())
        area -= inner;
    return area;
}

QRect HighlightExtent(const THighlightRec &rec, QSize size)
{
    return SpannedRect(rec).adjusted(-2, -2, 2, 2) & QRect(QPoint(), size);
}

QRect NumberExtent(const TNumberRec &rec, QSize size)
{
    return numberSquare(rec, NumberDiameter(rec, limitFor(size))).adjusted(-3, -3, 3, 3) &
           QRect(QPoint(), size);
}

QRect RedactExtent(const TRedactRec &rec, QSize size)
{
    const int reach = kRedactBlock; // the blocks of another redaction it cuts into
    return SpannedRect(rec).adjusted(-reach, -reach, reach, reach) & QRect(QPoint(), size);
}

void RedactPixels(const QImage &base, QImage &target, const std::vector<const TRedactRec *> &recs,
                  const QRegion &clip)
{
    const QRect picture = target.rect();
    uchar *bits = nullptr;
    const qsizetype stride = target.bytesPerLine();
    for (size_t k = 0; k < recs.size(); ++k) {
        const QRect spanned = SpannedRect(*recs[k]);
        const QRect r = spanned & picture;
        if (r.isEmpty() || !clip.intersects(r))
            continue;
        // The pixels this redaction keeps: those no later one covers.
        QRegion owned(r);
        for (size_t j = k + 1; j < recs.size(); ++j) {
            const QRect later = SpannedRect(*recs[j]);
            if (later.intersects(r))
                owned -= later;
        }
        if (owned.isEmpty())
            continue;
        if (!bits)
            bits = target.bits();
        const bool plain = owned.rectCount() == 1 && owned.boundingRect() == r;
        const QRect work = (clip & r).boundingRect();
        const BaseView view(base, r);
        const bool clipRect = clip.rectCount() == 1;
        const QRect clipBounds = clip.boundingRect();
        const qint64 ox = spanned.left(), oy = spanned.top();
        const qint64 i0 = floorDiv(work.left() - ox, kRedactBlock);
        const qint64 i1 = floorDiv(work.right() - ox, kRedactBlock);
        const qint64 j0 = floorDiv(work.top() - oy, kRedactBlock);
        const qint64 j1 = floorDiv(work.bottom() - oy, kRedactBlock);
        for (qint64 j = j0; j <= j1; ++j) {
            for (qint64 i = i0; i <= i1; ++i) {
                const QRect cell = QRect(int(ox + i * kRedactBlock), int(oy + j * kRedactBlock),
                                         kRedactBlock, kRedactBlock) &
                                   r;
                if (cell.isEmpty())
                    continue;
                Sum sum;
                if (plain) {
                    sum.add(view, cell);
                    const QRgb value = sum.average();
                    if (clipRect)
                        fill(bits, stride, cell & clipBounds, value);
                    else
                        for (const QRect &part : clip & cell)
                            fill(bits, stride, part, value);
                } else {
                    const QRegion kept = owned & cell;
                    if (kept.isEmpty())
                        continue;
                    for (const QRect &part : kept)
                        sum.add(view, part);
                    const QRgb value = sum.average();
                    for (const QRect &part : kept & clip)
                        fill(bits, stride, part, value);
                }
            }
        }
    }
}

} // namespace korvane
