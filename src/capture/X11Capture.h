#pragma once

#include "capture/ScreenCapture.h"

namespace korvane {

// X11: the root window (the whole virtual desktop), or the rectangle of the
// active window's frame on it: the window manager's _NET_ACTIVE_WINDOW, or
// without a window manager the top-level window that has the input focus
// (under the pointer, when the focus follows the pointer).
QImage captureX11(CaptureTarget target);

} // namespace korvane
