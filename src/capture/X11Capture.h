#pragma once

#include "capture/ScreenCapture.h"

#include <QHash>
#include <QRect>
#include <optional>

namespace korvane {

// X11: the root window (the whole virtual desktop), or the rectangle of the
// active window's frame on it: the window manager's _NET_ACTIVE_WINDOW, or
// without a window manager the top-level window that has the input focus
// (under the pointer, when the focus follows the pointer).
QImage captureX11(CaptureTarget target);

// The monitors RandR reports, by the names Qt gives its screens, with their
// rectangles on the root window in device pixels. Empty without RandR 1.5.
QHash<QString, QRect> x11Monitors();

// The pointer on the root window, in device pixels.
std::optional<QPoint> x11PointerOnRoot();

// A button or motion event of the X server as Qt's event filters see it
// (core or XInput 2), with the pointer on the root window in device pixels.
// Qt gives a window's pointer positions in its logical pixels, rounded to
// whole ones, which on a scaled screen miss the device pixels between them.
struct X11PointerEvent
{
    enum Kind { Press, Release, Motion };
    Kind kind;
    int button; // 1 left, 3 right; 0 for a motion
    quint32 window;
    quint32 time; // the server's milliseconds, which Qt's event carries too
    QPoint root;
};
std::optional<X11PointerEvent> x11PointerEvent(const void *xcbEvent);
// Puts the pointer at that device pixel of the root window.
void x11WarpPointer(QPoint at);

} // namespace korvane
