#include "capture/PortalScreenshot.h"

#include "common/KorvaneError.h"

namespace korvane {

QImage capturePortalScreenshot(CaptureTarget, QWidget *)
{
    throw KorvaneError(QStringLiteral("このデスクトップでは画面を取り込めません"));
}

} // namespace korvane
