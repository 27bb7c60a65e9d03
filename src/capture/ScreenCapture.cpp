#include "capture/ScreenCapture.h"

#include "capture/PortalScreenshot.h"
#include "capture/X11Capture.h"
#include "common/KorvaneError.h"

#include <QClipboard>
#include <QGuiApplication>

namespace korvane {

QImage capturePicture(CaptureTarget target, QWidget *parent)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == u"xcb")
        return captureX11(target);
    if (platform.startsWith(u"wayland"))
        return capturePortalScreenshot(target, parent);
    throw KorvaneError(
        QStringLiteral("このデスクトップ（%1）では画面を取り込めません").arg(platform));
}

void captureToClipboard(CaptureTarget target, QWidget *parent)
{
    QGuiApplication::clipboard()->setImage(capturePicture(target, parent));
}

} // namespace korvane
