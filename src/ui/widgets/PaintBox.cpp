#include "ui/widgets/PaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace korvane {

namespace {

PointerEvent pointerEvent(const QMouseEvent *event, qreal scale)
{
    PointerEvent pointer;
    switch (event->button()) {
    case Qt::NoButton:
        pointer.button = PointerEvent::Button::None;
        break;
    case Qt::LeftButton:
        pointer.button = PointerEvent::Button::Left;
        break;
    case Qt::RightButton:
        pointer.button = PointerEvent::Button::Right;
        break;
    default:
        pointer.button = PointerEvent::Button::Other;
        break;
    }
    const QPointF position = event->position() * scale;
    pointer.X = qint32(std::floor(position.x()));
    pointer.Y = qint32(std::floor(position.y()));
    return pointer;
}

// The smallest rectangle of whole units of `to` that covers `r` in units of
// `from`: picture pixels and the widget's logical pixels.
QRect rescaled(const QRect &r, qreal factor)
{
    const int left = int(std::floor(r.left() * factor));
    const int top = int(std::floor(r.top() * factor));
    const int right = int(std::ceil((r.right() + 1) * factor));
    const int bottom = int(std::ceil((r.bottom() + 1) * factor));
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

PaintBox::PaintBox(const QImage &picture, QWidget *parent) : QWidget(parent), m_picture(picture)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the pointer read-out follows also without a button
}

qreal PaintBox::scale() const
{
    return devicePixelRatioF();
}

QRegion PaintBox::onScreen(const QRegion &pictureArea) const
{
    const qreal s = scale();
    if (s == 1.0)
        return pictureArea;
    QRegion area;
    for (const QRect &r : pictureArea)
        area += rescaled(r, 1.0 / s);
    return area;
}

void PaintBox::pictureChanged(const QRegion &changed)
{
    // On a screen of more than one device pixel per unit the picture is shown
    // in device pixels, one for one, as the screen it was taken from showed it.
    const QSize shown = rescaled(m_picture.rect(), 1.0 / scale()).size();
    if (size() != shown) {
        setFixedSize(shown);
        update();
    } else {
        update(changed.isEmpty() ? QRegion(rect()) : onScreen(changed));
    }
    if (!m_caret.isNull()) {
        update(onScreen(m_caret));
        m_caret = QRect();
    }
}

void PaintBox::showCaret(qint32 x, qint32 y, int height)
{
    if (!m_caret.isNull())
        update(onScreen(m_caret));
    m_caret = QRect(x - 2, y, 4, qMax(1, height));
    update(onScreen(m_caret));
}

void PaintBox::showCropRect(const QRect &rect)
{
    if (rect == m_crop)
        return;
    // The dimming covers everything outside the rectangle: a change of it
    // repaints the whole view.
    m_crop = rect;
    update();
}

void PaintBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const qreal s = scale();
    if (s == 1.0) {
        const QRect exposed = event->rect() & m_picture.rect();
        painter.drawImage(exposed.topLeft(), m_picture, exposed);
    } else {
        // The picture's pixels under the exposed area, drawn at a size that
        // puts each of them on one device pixel.
        const QRect source = rescaled(event->rect(), s) & m_picture.rect();
        painter.drawImage(
            QRectF(source.x() / s, source.y() / s, source.width() / s, source.height() / s),
            m_picture, source);
    }
    if (!m_crop.isEmpty()) {
        const QRectF kept(m_crop.x() / s, m_crop.y() / s, m_crop.width() / s, m_crop.height() / s);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        QPainterPath outside;
        outside.addRect(QRectF(rect()));
        outside.addRect(kept);
        painter.fillPath(outside, QColor(0, 0, 0, 110));
        QPen dashes(Qt::white, 0, Qt::DashLine);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(kept.adjusted(0, 0, -1 / s, -1 / s));
        painter.setPen(dashes);
        painter.drawRect(kept.adjusted(0, 0, -1 / s, -1 / s));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    if (!m_caret.isNull()) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(
            QRectF(m_caret.x() / s, m_caret.y() / s, m_caret.width() / s, m_caret.height() / s),
            Qt::black);
    }
}

void PaintBox::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT pressed(pointerEvent(event, scale()));
}

void PaintBox::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT moved(pointerEvent(event, scale()));
}

void PaintBox::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT released(pointerEvent(event, scale()));
}

} // namespace korvane
