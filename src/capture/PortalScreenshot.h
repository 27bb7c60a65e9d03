#pragma once

#include "capture/ScreenCapture.h"

namespace korvane {

// Wayland: the desktop portal's Screenshot call (org.freedesktop.portal.
// Screenshot) over the session bus, without asking the user. Throws
// KorvaneError when there is no portal, it refuses or does not answer.
QImage capturePortalScreenshot(CaptureTarget target, QWidget *parent);

} // namespace korvane
