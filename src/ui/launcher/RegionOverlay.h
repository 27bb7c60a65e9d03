#pragma once

#include "capture/RegionCapture.h"
#include "capture/RegionSelection.h"
#include "capture/X11Capture.h"

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QObject>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;
class QKeyEvent;
class QMouseEvent;
class QScreen;

namespace korvane {

class RegionOverlayScreen;

// What the overlay windows draw over the frozen desktop besides it: the
// chosen rectangle (bright, framed, with its size beside it), the hint while
// nothing is chosen, and a mark at the point while the keyboard moves it.
struct RegionLook
{
    QRect selection;
    QPoint point;
    bool hint = true;
    bool marker = false;
};

// The region mode's choice on the frozen desktop: one full-screen window a
// screen (RegionOverlayScreen), each showing its screen's part of the frozen
// picture one to one in device pixels, the outside of the rectangle dimmed.
// The windows report the pointer and the keys here in the picture's device
// pixels, and the one RegionSelection they share lives here.
//
// Keys: the arrows move the point a pixel (with Shift ten), on X11 the
// pointer with it; with a rectangle they move its second corner. Space puts
// a rectangle's first corner at the point. Enter, or a double click, takes
// the rectangle; Escape or the right button cancel.
class RegionOverlay : public QObject, private QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // One window a screen, hidden: made while the launcher steps aside.
    explicit RegionOverlay(const QList<QScreen *> &screens);
    ~RegionOverlay() override;

    // Lays the frozen desktop over the screens, shows the windows and waits
    // until each fills its own screen. False where the picture does not fit
    // the screens the windows were made for, or the desktop does not let
    // them cover the screens within a few seconds.
    bool cover(FrozenDesktop desktop);
    // Runs until the user takes a rectangle or cancels. Returns the
    // rectangle in the picture's device pixels, empty when cancelled. The
    // windows stay until hide(): the frozen desktop can give way to the
    // editor at once, without the live desktop in between.
    QRect exec();
    void hide();

    const FrozenDesktop &desktop() const { return m_desktop; }
    const RegionLook &look() const { return m_look; }

    // X11: where a Qt mouse event of a window happened, in the root
    // window's pixels, which are the picture's, as the X server's own event
    // of the same kind and time says. Qt rounds the positions to its logical
    // pixels, which on a scaled screen miss the device pixels between them.
    std::optional<QPoint> x11Position(const QMouseEvent &event);

    // From the windows, in the picture's device pixels.
    void press(QPoint at);
    void move(QPoint at);
    void release(QPoint at);
    void doubleClick(QPoint at);
    void key(QKeyEvent *event);
    void cancel();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void confirm();
    void finish(QRect result);
    void changed();
    void warpPointer();
    QPoint startPoint() const;

    FrozenDesktop m_desktop;
    RegionSelection m_selection;
    RegionLook m_look;
    std::vector<std::unique_ptr<RegionOverlayScreen>> m_screens;
    const bool m_x11;
    // Where the keys last sent the pointer (X11).
    std::optional<QPoint> m_warpedTo;
    std::deque<X11PointerEvent> m_x11Events;
    QEventLoop *m_loop = nullptr;
    QRect m_result;
    bool m_finished = false;
};

} // namespace korvane
