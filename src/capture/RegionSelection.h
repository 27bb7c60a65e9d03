#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

namespace korvane {

// One screen of the desktop as the region overlay sees it: where Qt puts it
// (logical pixels, the coordinates of its windows and pointer events) and
// which part of the frozen picture of the desktop it shows (device pixels).
// `scale` is the picture's pixels per logical pixel on this screen.
struct ScreenArea
{
    QRect logical;
    QRect device;
    qreal scale = 1.0;

    // A position local to a window that fills this screen, to the pixel
    // corner of the picture nearest to it. Qt makes a window's event
    // positions with its own screen's scale, also where the pointer is over
    // another screen while a button is held, so the same straight mapping
    // holds beyond the screen's edges.
    QPoint toDevice(QPointF local) const;
    // The other way: a point of the picture to that window's local position.
    QPointF toLocal(QPoint device) const;
};

// The screens' parts of a picture of the whole desktop that a desktop
// service drew at one scale over the screens' logical layout (the portal's
// screenshot): its top left is the layout's. Empty when the picture's
// width and height do not give the same scale within a pixel.
QList<ScreenArea> areasInPicture(const QList<QRect> &logical, QSize picture);

// The rectangle that the areas' parts make up, in device pixels.
QRect desktopRect(const QList<ScreenArea> &areas);

// The rectangle the user chooses on the frozen desktop, in the picture's
// device pixels, from the pointer and the keyboard. A rectangle runs from
// one pixel corner to another, so a press and a release at the same place
// choose nothing. Every point stays on the desktop.
class RegionSelection
{
public:
    // `start`: where the point is at first (the pointer, or the desktop's
    // top left where there is no pointer on it).
    RegionSelection(QRect desktop, QPoint start);

    // The left button. A press alone keeps the rectangle there is; moving
    // with the button held starts a new one at the press.
    void press(QPoint at);
    void move(QPoint at);
    void release(QPoint at);
    // An arrow key: moves the rectangle's second corner where there is a
    // rectangle, the point otherwise; the point follows.
    void nudge(int dx, int dy);
    // The space bar: a new rectangle's first corner at the point; the
    // arrows then move its second.
    void anchorAtPoint();

    QPoint point() const { return m_point; }
    bool dragging() const { return m_pressed; }
    // Normalised; empty while nothing is chosen.
    QRect rect() const;
    bool canConfirm() const { return !m_pressed && !rect().isEmpty(); }

    // The read-out beside the rectangle: its size in pixels.
    static QString sizeText(QRect rect);

private:
    QPoint clamped(QPoint at) const;
    void startDrag();

    QRect m_desktop;
    QPoint m_point;
    QPoint m_pressedAt;
    QPoint m_anchor;
    QPoint m_corner;
    bool m_pressed = false;
    bool m_dragStarted = false;
    bool m_anchored = false;
};

} // namespace korvane
