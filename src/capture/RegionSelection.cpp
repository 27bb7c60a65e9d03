#include "capture/RegionSelection.h"

#include <QtMath>
#include <cmath>

namespace korvane {

QPoint ScreenArea::toDevice(QPointF local) const
{
    // Rounded, not truncated: a pointer between two pixel corners belongs to
    // the nearer, and a device position that Qt divided by the scale comes
    // back to the same whole pixel.
    return device.topLeft() + QPoint(qRound(local.x() * scale), qRound(local.y() * scale));
}

QPointF ScreenArea::toLocal(QPoint at) const
{
    const QPoint offset = at - device.topLeft();
    return QPointF(offset.x() / scale, offset.y() / scale);
}

QList<ScreenArea> areasInPicture(const QList<QRect> &logical, QSize picture)
{
    QRect layout;
    for (const QRect &screen : logical)
        layout |= screen;
    if (layout.isEmpty() || picture.isEmpty())
        return {};
    const qreal scale = qreal(picture.width()) / layout.width();
    if (std::abs(layout.height() * scale - picture.height()) > 1.0)
        return {};
    QList<ScreenArea> areas;
    for (const QRect &screen : logical) {
        const QPointF from = QPointF(screen.topLeft() - layout.topLeft()) * scale;
        const QPointF to =
            QPointF(screen.topLeft() - layout.topLeft() + QPoint(screen.width(), screen.height())) *
            scale;
        const QRect device(QPoint(qRound(from.x()), qRound(from.y())),
                           QPoint(qRound(to.x()) - 1, qRound(to.y()) - 1));
        areas.append({screen, device & QRect(QPoint(0, 0), picture), scale});
    }
    return areas;
}

QRect desktopRect(const QList<ScreenArea> &areas)
{
    QRect desktop;
    for (const ScreenArea &area : areas)
        desktop |= area.device;
    return desktop;
}

RegionSelection::RegionSelection(QRect desktop, QPoint start) : m_desktop(desktop)
{
    m_point = clamped(start);
}

QPoint RegionSelection::clamped(QPoint at) const
{
    // A corner may lie on the far edge: the rectangle then takes the last
    // column or row.
    return QPoint(qBound(m_desktop.left(), at.x(), m_desktop.left() + m_desktop.width()),
                  qBound(m_desktop.top(), at.y(), m_desktop.top() + m_desktop.height()));
}

void RegionSelection::startDrag()
{
    m_dragStarted = true;
    m_anchored = true;
    m_anchor = m_pressedAt;
    m_corner = m_pressedAt;
}

void RegionSelection::press(QPoint at)
{
    m_point = clamped(at);
    m_pressedAt = m_point;
    m_pressed = true;
    m_dragStarted = false;
}

void RegionSelection::move(QPoint at)
{
    m_point = clamped(at);
    if (!m_pressed)
        return;
    if (!m_dragStarted && m_point != m_pressedAt)
        startDrag();
    if (m_dragStarted)
        m_corner = m_point;
}

void RegionSelection::release(QPoint at)
{
    move(at);
    m_pressed = false;
}

void RegionSelection::nudge(int dx, int dy)
{
    // Arrows with the button held grow the rectangle from the press, as
    // moving the pointer would.
    if (m_pressed && !m_dragStarted)
        startDrag();
    if (m_anchored) {
        m_corner = clamped(m_corner + QPoint(dx, dy));
        m_point = m_corner;
    } else {
        m_point = clamped(m_point + QPoint(dx, dy));
    }
}

void RegionSelection::anchorAtPoint()
{
    if (m_pressed)
        return;
    m_anchored = true;
    m_anchor = m_point;
    m_corner = m_point;
}

QRect RegionSelection::rect() const
{
    if (!m_anchored)
        return {};
    const int left = qMin(m_anchor.x(), m_corner.x());
    const int top = qMin(m_anchor.y(), m_corner.y());
    return QRect(left, top, qAbs(m_corner.x() - m_anchor.x()), qAbs(m_corner.y() - m_anchor.y()));
}

QString RegionSelection::sizeText(QRect rect)
{
    return QStringLiteral("%1 × %2").arg(rect.width()).arg(rect.height());
}

} // namespace korvane
