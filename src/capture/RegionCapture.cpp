#include "capture/RegionCapture.h"

#include "capture/PortalScreenshot.h"
#include "capture/X11Capture.h"
#include "common/KorvaneError.h"

#include <QGuiApplication>
#include <QScreen>

namespace korvane {

namespace {

// Qt puts an X11 screen's top left at its monitor's, in device pixels, and
// divides its size by the scale; RandR says the size exactly where Qt had
// to round it.
QList<ScreenArea> x11Areas(const QList<QScreen *> &screens, QSize picture)
{
    const QHash<QString, QRect> monitors = x11Monitors();
    QList<ScreenArea> areas;
    for (QScreen *screen : screens) {
        const QRect logical = screen->geometry();
        const qreal scale = screen->devicePixelRatio();
        QRect device = monitors.value(screen->name());
        if (device.isEmpty())
            device = QRect(logical.topLeft(), (QSizeF(logical.size()) * scale).toSize());
        areas.append({logical, device & QRect(QPoint(0, 0), picture), scale});
    }
    return areas;
}

} // namespace

QImage FrozenDesktop::part(QRect rect) const
{
    rect &= picture.rect();
    // A view's rows are the picture's, and so its size in bytes counts them
    // whole: it must not claim memory past the picture's end.
    const qsizetype first = qsizetype(rect.top()) * picture.bytesPerLine() + rect.left() * 4;
    if (rect.isEmpty() || picture.depth() != 32 ||
        first + rect.height() * picture.bytesPerLine() > picture.sizeInBytes())
        return picture.copy(rect);
    // A view of the frozen pixels, not a copy, so that the editor has them
    // at once; the first change to them makes a picture of their own.
    // Meanwhile the view keeps the whole frozen picture, no more than a
    // capture of the whole screen holds.
    auto *owner = new QImage(picture);
    return QImage(
        owner->constBits() + first, rect.width(), rect.height(), owner->bytesPerLine(),
        owner->format(), [](void *image) { delete static_cast<QImage *>(image); }, owner);
}

FrozenDesktop freezeDesktop(QWidget *parent)
{
    FrozenDesktop desktop;
    desktop.screens = QGuiApplication::screens();
    const QString platform = QGuiApplication::platformName();
    if (platform == u"xcb") {
        desktop.picture = captureX11(CaptureTarget::WholeScreen);
        desktop.areas = x11Areas(desktop.screens, desktop.picture.size());
        return desktop;
    }
    if (platform.startsWith(u"wayland")) {
        desktop.picture = capturePortalScreenshot(CaptureTarget::WholeScreen, parent);
        QList<QRect> logical;
        for (QScreen *screen : desktop.screens)
            logical.append(screen->geometry());
        desktop.areas = areasInPicture(logical, desktop.picture.size());
        return desktop;
    }
    throw KorvaneError(
        QStringLiteral("このデスクトップ（%1）では画面を取り込めません").arg(platform));
}

} // namespace korvane
