#pragma once

#include "capture/RegionSelection.h"

#include <QTransform>
#include <QWidget>

class QScreen;

namespace korvane {

class RegionOverlay;
struct RegionLook;

// One screen's window of the region overlay: frameless and full-screen on
// its screen, it paints its part of the frozen desktop in the picture's
// device pixels, so that a screen of any scale shows the picture one to one,
// and hands the pointer and the keys to the overlay.
class RegionOverlayScreen : public QWidget
{
    Q_OBJECT
public:
    RegionOverlayScreen(RegionOverlay &overlay, QScreen *screen);

    QScreen *targetScreen() const { return m_screen; }
    const ScreenArea &area() const { return m_area; }
    // Where the screen lies in the frozen picture; before the window shows.
    void setArea(const ScreenArea &area);
    // Makes the window's native window and paint buffer, unmapped, and
    // touches every page of the buffer.
    void prepareBuffer();
    // Shown, exposed and filling its screen.
    bool coversScreen() const;
    // Repaints what differs between the two looks.
    void lookChanged(const RegionLook &before, const RegionLook &after);

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QPoint devicePoint(const QMouseEvent *event) const;
    // In the picture's device pixels.
    QRect readoutRect(const QRect &selection) const;
    QRect hintRect() const;
    QRect markerRect(QPoint point) const;
    void updatePicture(const QRect &rect);
    void paintReadout(QPainter &painter, const QRect &selection);
    void paintHint(QPainter &painter);

    RegionOverlay &m_overlay;
    QScreen *m_screen;
    ScreenArea m_area;
    // The picture's device pixels to this window's logical ones.
    QTransform m_toLocal;
};

} // namespace korvane
