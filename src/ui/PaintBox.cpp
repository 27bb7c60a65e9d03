#include "ui/PaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace korvane {

namespace {

PointerEvent pointerEvent(const QMouseEvent *event)
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
    const QPointF position = event->position();
    pointer.X = qint32(std::floor(position.x()));
    pointer.Y = qint32(std::floor(position.y()));
    return pointer;
}

} // namespace

PaintBox::PaintBox(const QImage &picture, QWidget *parent) : QWidget(parent), m_picture(picture)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the pointer read-out follows also without a button
}

void PaintBox::pictureChanged(const QRegion &changed)
{
    if (size() != m_picture.size()) {
        setFixedSize(m_picture.size());
        update();
    } else {
        update(changed.isEmpty() ? QRegion(rect()) : changed);
    }
    if (!m_caret.isNull()) {
        update(m_caret);
        m_caret = QRect();
    }
}

void PaintBox::showCaret(qint32 x, qint32 y, int height)
{
    if (!m_caret.isNull())
        update(m_caret);
    m_caret = QRect(x - 2, y, 4, qMax(1, height));
    update(m_caret);
}

void PaintBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect exposed = event->rect() & m_picture.rect();
    painter.drawImage(exposed.topLeft(), m_picture, exposed);
    if (!m_caret.isNull() && m_caret.intersects(event->rect())) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(m_caret, Qt::black);
    }
}

void PaintBox::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT pressed(pointerEvent(event));
}

void PaintBox::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT moved(pointerEvent(event));
}

void PaintBox::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT released(pointerEvent(event));
}

} // namespace korvane
