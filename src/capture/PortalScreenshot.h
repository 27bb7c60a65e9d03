#pragma once

#include "capture/ScreenCapture.h"

namespace korvane {

// Wayland: the desktop portal's Screenshot call (org.freedesktop.portal.
// Screenshot) over the session bus. The whole screen is taken without a
// question; for a window the portal lets the user pick what to take, since
// no Wayland desktop tells an application which window is active. Throws
// KorvaneError when there is no portal, it refuses, the user cancels, or it
// does not answer in time.
QImage capturePortalScreenshot(CaptureTarget target, QWidget *parent);

} // namespace korvane
