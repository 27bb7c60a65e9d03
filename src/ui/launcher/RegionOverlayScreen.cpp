#include "ui/launcher/RegionOverlayScreen.h"

#include "ui/launcher/RegionOverlay.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QtMath>

namespace korvane {

namespace {

const QColor kFrame(0x00, 0xA0, 0xFF);
// Over the desktop outside the rectangle, at half its brightness.
const QColor kDim(0, 0, 0, 128);
const QColor kLabel(0x20, 0x20, 0x20);
constexpr int kReadoutGap = 3;

QString hintLine(int line)
{
    return line == 0
               ? QStringLiteral("ドラッグで範囲を指定し、Enter キーかダブルクリックで取り込みま"
                                "す。Esc キーか右クリックで取り消します。")
               : QStringLiteral("矢印キーで 1 ピクセル（Shift キーと 10 ピクセル）動かし、"
                                "スペース キーで始点を決めます。");
}

// The frame round a rectangle, just outside it: the rectangle itself shows
// the picture's pixels untouched.
QRegion frameRegion(const QRect &selection)
{
    if (selection.isEmpty())
        return {};
    const QRect outer = selection.adjusted(-1, -1, 1, 1);
    return QRegion(outer) - QRegion(selection);
}

} // namespace

RegionOverlayScreen::RegionOverlayScreen(RegionOverlay &overlay, QScreen *screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_overlay(overlay), m_screen(screen)
{
    setObjectName(QStringLiteral("RegionOverlayScreen"));
    setWindowTitle(QStringLiteral("範囲指定"));
    setAccessibleName(windowTitle());
    setAccessibleDescription(hintLine(0) + hintLine(1));
    // Every pixel is painted: no background to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setScreen(screen);
    setGeometry(screen->geometry());
}

void RegionOverlayScreen::setArea(const ScreenArea &area)
{
    m_area = area;
    m_toLocal = QTransform(1 / area.scale, 0, 0, 1 / area.scale, -area.device.left() / area.scale,
                           -area.device.top() / area.scale);
}

void RegionOverlayScreen::prepareBuffer()
{
    winId();
    QBackingStore *store = backingStore();
    if (!store)
        return;
    const QRect all(QPoint(0, 0), size());
    store->resize(size());
    store->beginPaint(all);
    if (QPaintDevice *device = store->paintDevice()) {
        QPainter painter(device);
        painter.fillRect(all, Qt::black);
    }
    store->endPaint();
}

bool RegionOverlayScreen::coversScreen() const
{
    const QWindow *window = windowHandle();
    return isVisible() && window && window->isExposed() && window->screen() == m_screen &&
           size() == m_screen->size();
}

QPoint RegionOverlayScreen::devicePoint(const QMouseEvent *event) const
{
    if (const std::optional<QPoint> exact = m_overlay.x11Position(*event))
        return *exact;
    return m_area.toDevice(event->position());
}

QRect RegionOverlayScreen::readoutRect(const QRect &selection) const
{
    if (selection.isEmpty())
        return {};
    const QFontMetrics metrics(font());
    const QString text = RegionSelection::sizeText(selection);
    const QSize size(qCeil((metrics.horizontalAdvance(text) + 10) * m_area.scale),
                     qCeil((metrics.height() + 4) * m_area.scale));
    const QRect desktop = desktopRect(m_overlay.desktop().areas);
    // Below the rectangle; where there is no room, above it; failing that,
    // inside it at its top.
    int top = selection.bottom() + 2 + kReadoutGap;
    if (top + size.height() > desktop.bottom() + 1)
        top = selection.top() - 2 - kReadoutGap - size.height();
    if (top < desktop.top())
        top = selection.top() + kReadoutGap;
    const int left = qBound(desktop.left(), selection.left(), desktop.right() + 1 - size.width());
    return QRect(QPoint(left, top), size);
}

QRect RegionOverlayScreen::hintRect() const
{
    const QFontMetrics metrics(font());
    const int width =
        qMax(metrics.horizontalAdvance(hintLine(0)), metrics.horizontalAdvance(hintLine(1))) + 20;
    const int height = 2 * metrics.lineSpacing() + 12;
    const QRectF local((this->width() - width) / 2, 24, width, height);
    return m_toLocal.inverted().mapRect(local).toAlignedRect();
}

QRect RegionOverlayScreen::markerRect(QPoint point) const
{
    const int arm = qCeil(8 * m_area.scale);
    return QRect(point - QPoint(arm, arm), QSize(2 * arm + 1, 2 * arm + 1));
}

void RegionOverlayScreen::updatePicture(const QRect &rect)
{
    if (!rect.isEmpty())
        update(m_toLocal.mapRect(QRectF(rect)).toAlignedRect());
}

void RegionOverlayScreen::lookChanged(const RegionLook &before, const RegionLook &after)
{
    // What the change touches: where the rectangle grew or shrank, both
    // frames and read-outs, and the hint and the mark where they changed.
    // The inside of a rectangle that stays is not painted again.
    QRegion dirty = QRegion(before.selection.adjusted(-1, -1, 1, 1)) ^
                    QRegion(after.selection.adjusted(-1, -1, 1, 1));
    if (before.selection != after.selection) {
        dirty += frameRegion(before.selection) + readoutRect(before.selection);
        dirty += frameRegion(after.selection) + readoutRect(after.selection);
    }
    if (before.hint != after.hint)
        dirty += hintRect();
    if (before.marker != after.marker || before.point != after.point) {
        if (before.marker)
            dirty += markerRect(before.point);
        if (after.marker)
            dirty += markerRect(after.point);
    }
    for (const QRect &rect : dirty &m_area.device)
        updatePicture(rect);
}

void RegionOverlayScreen::paintEvent(QPaintEvent *event)
{
    const RegionLook &look = m_overlay.look();
    const QImage &picture = m_overlay.desktop().picture;
    QPainter painter(this);
    // In the picture's device pixels: on a screen whose scale is the
    // picture's, every pixel is copied as it is.
    painter.setWorldTransform(m_toLocal);
    const QTransform toPicture = m_toLocal.inverted();
    for (const QRect &local : event->region()) {
        const QRect rect = toPicture.mapRect(QRectF(local)).toAlignedRect() & m_area.device;
        painter.drawImage(rect, picture, rect);
        for (const QRect &outside : QRegion(rect) - look.selection)
            painter.fillRect(outside, kDim);
    }
    for (const QRect &line : frameRegion(look.selection))
        painter.fillRect(line, kFrame);
    if (look.marker) {
        const QRect mark = markerRect(look.point);
        painter.fillRect(QRect(mark.left(), look.point.y(), mark.width(), 1), kFrame);
        painter.fillRect(QRect(look.point.x(), mark.top(), 1, mark.height()), kFrame);
    }
    painter.resetTransform();
    paintReadout(painter, look.selection);
    if (look.hint)
        paintHint(painter);
}

void RegionOverlayScreen::paintReadout(QPainter &painter, const QRect &selection)
{
    const QRect box = readoutRect(selection);
    if (box.isEmpty())
        return;
    const QRectF local = m_toLocal.mapRect(QRectF(box));
    painter.fillRect(local, kLabel);
    painter.setPen(Qt::white);
    painter.drawText(local, Qt::AlignCenter, RegionSelection::sizeText(selection));
}

void RegionOverlayScreen::paintHint(QPainter &painter)
{
    const QRectF local = m_toLocal.mapRect(QRectF(hintRect()));
    painter.fillRect(local, kLabel);
    painter.setPen(Qt::white);
    painter.drawText(local, Qt::AlignCenter, hintLine(0) + u'\n' + hintLine(1));
}

bool RegionOverlayScreen::event(QEvent *event)
{
    // A widget's palette changes with the window's activation, and QWidget
    // repaints it all then: here that is a whole screen again, for nothing.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        return true;
    return QWidget::event(event);
}

// QWidget repaints a widget that gains or loses the focus, for its focus
// frame; this one draws none.
void RegionOverlayScreen::focusInEvent(QFocusEvent *) {}

void RegionOverlayScreen::focusOutEvent(QFocusEvent *) {}

void RegionOverlayScreen::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_overlay.press(devicePoint(event));
    else if (event->button() == Qt::RightButton)
        m_overlay.cancel();
}

void RegionOverlayScreen::mouseMoveEvent(QMouseEvent *event)
{
    m_overlay.move(devicePoint(event));
}

void RegionOverlayScreen::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_overlay.release(devicePoint(event));
}

void RegionOverlayScreen::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_overlay.doubleClick(devicePoint(event));
    else if (event->button() == Qt::RightButton)
        m_overlay.cancel();
}

void RegionOverlayScreen::keyPressEvent(QKeyEvent *event)
{
    m_overlay.key(event);
}

void RegionOverlayScreen::closeEvent(QCloseEvent *event)
{
    // A window manager's close, Alt+F4 say, cancels as Escape does.
    event->accept();
    m_overlay.cancel();
}

} // namespace korvane
