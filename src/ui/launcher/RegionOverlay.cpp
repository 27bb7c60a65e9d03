#include "ui/launcher/RegionOverlay.h"

#include "capture/X11Capture.h"
#include "ui/launcher/RegionOverlayScreen.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace korvane {

namespace {

// How long the desktop may take to put the windows on their screens.
constexpr int kCoverWaitMs = 3000;
// The X server's pointer events waiting for Qt's: more than Qt ever holds
// back at once.
constexpr size_t kX11EventsKept = 256;

int areaAt(const QList<ScreenArea> &areas, QPoint point)
{
    for (int i = 0; i < areas.size(); ++i) {
        // The far edges count too: a corner may lie there.
        if (areas[i].device.adjusted(0, 0, 1, 1).contains(point))
            return i;
    }
    return areas.isEmpty() ? -1 : 0;
}

} // namespace

RegionOverlay::RegionOverlay(const QList<QScreen *> &screens)
    : m_selection(QRect(), QPoint()), m_x11(QGuiApplication::platformName() == u"xcb")
{
    m_desktop.screens = screens;
    for (QScreen *screen : screens) {
        m_screens.push_back(std::make_unique<RegionOverlayScreen>(*this, screen));
        // The first frame fills a screen-sized buffer that is new to the
        // memory; touched now, while the launcher steps aside, it is not
        // once the desktop is frozen. (X11: a Wayland window's buffers come
        // with its surface.)
        if (m_x11)
            m_screens.back()->prepareBuffer();
    }
    if (m_x11)
        qApp->installNativeEventFilter(this);
    // A screen coming or going leaves the windows where they do not belong.
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &RegionOverlay::cancel);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &RegionOverlay::cancel);
}

RegionOverlay::~RegionOverlay()
{
    if (m_x11)
        qApp->removeNativeEventFilter(this);
}

QPoint RegionOverlay::startPoint() const
{
    // Where the pointer is; a desktop without one (or that does not say
    // where it is) starts the point at its top left.
    if (QGuiApplication::platformName() == u"xcb") {
        if (const auto pointer = x11PointerOnRoot())
            return *pointer;
    }
    const QPoint pointer = QCursor::pos();
    for (int i = 0; i < m_desktop.screens.size() && i < m_desktop.areas.size(); ++i) {
        const ScreenArea &area = m_desktop.areas[i];
        if (area.logical.contains(pointer))
            return area.toDevice(QPointF(pointer - area.logical.topLeft()));
    }
    return desktopRect(m_desktop.areas).topLeft();
}

void RegionOverlay::hide()
{
    for (auto &screen : m_screens)
        screen->hide();
}

bool RegionOverlay::cover(FrozenDesktop desktop)
{
    // The screens the windows were made for, all laid over the picture.
    if (desktop.screens != m_desktop.screens || !desktop.fitsScreens())
        return false;
    m_desktop = std::move(desktop);
    m_selection = RegionSelection(desktopRect(m_desktop.areas), startPoint());
    m_look.point = m_selection.point();
    const int keyScreen = areaAt(m_desktop.areas, m_selection.point());
    for (size_t i = 0; i < m_screens.size(); ++i) {
        m_screens[i]->setArea(m_desktop.areas[int(i)]);
        m_screens[i]->showFullScreen();
    }
    RegionOverlayScreen *keys = m_screens[keyScreen].get();
    keys->activateWindow();
    keys->setFocus();

    QEventLoop loop;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    bool covered = false;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        covered = std::all_of(m_screens.begin(), m_screens.end(),
                              [](const auto &screen) { return screen->coversScreen(); });
        if (covered || waited.elapsed() > kCoverWaitMs)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    if (!covered) {
        hide();
        return false;
    }
    // The keys come here whatever the window manager does with the focus
    // meanwhile, as they do to any desktop's own screenshot tool (X11; a
    // Wayland compositor gives a new full-screen window the keyboard).
    keys->grabKeyboard();
    return true;
}

QRect RegionOverlay::exec()
{
    if (!m_finished) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    return m_result;
}

void RegionOverlay::finish(QRect result)
{
    if (m_finished)
        return;
    m_result = result;
    m_finished = true;
    for (auto &screen : m_screens)
        screen->releaseKeyboard();
    if (m_loop)
        m_loop->quit();
}

void RegionOverlay::cancel()
{
    finish(QRect());
}

void RegionOverlay::confirm()
{
    if (m_selection.canConfirm())
        finish(m_selection.rect());
}

void RegionOverlay::changed()
{
    RegionLook look;
    look.selection = m_selection.rect();
    look.point = m_selection.point();
    look.hint = look.selection.isEmpty();
    look.marker = m_look.marker;
    for (auto &screen : m_screens)
        screen->lookChanged(m_look, look);
    m_look = look;
}

bool RegionOverlay::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const std::optional<X11PointerEvent> event = x11PointerEvent(message);
    if (!event || std::none_of(m_screens.begin(), m_screens.end(), [&](const auto &screen) {
            return screen->isVisible() && screen->winId() == event->window;
        }))
        return false;
    // Kept for Qt's event of the same kind and time, which comes later, in
    // its order among the keys.
    m_x11Events.push_back(*event);
    if (m_x11Events.size() > kX11EventsKept)
        m_x11Events.pop_front();
    return false;
}

std::optional<QPoint> RegionOverlay::x11Position(const QMouseEvent &event)
{
    X11PointerEvent::Kind kind;
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        kind = X11PointerEvent::Press;
        break;
    case QEvent::MouseButtonRelease:
        kind = X11PointerEvent::Release;
        break;
    default:
        kind = X11PointerEvent::Motion;
        break;
    }
    const auto same = std::find_if(m_x11Events.begin(), m_x11Events.end(), [&](const auto &x11) {
        return x11.kind == kind && x11.time == quint32(event.timestamp());
    });
    if (same == m_x11Events.end())
        return std::nullopt;
    const QPoint root = same->root;
    // Those before it have had their Qt events, or Qt merged them away.
    m_x11Events.erase(m_x11Events.begin(), same + 1);
    return root;
}

void RegionOverlay::press(QPoint at)
{
    m_warpedTo.reset();
    m_look.marker = false;
    m_selection.press(at);
    changed();
}

void RegionOverlay::move(QPoint at)
{
    // The pointer sent to the point by the keys reports it again (or the
    // last pixel before it, where the point lies on the desktop's far edge).
    if (m_warpedTo && at == *m_warpedTo)
        return;
    m_warpedTo.reset();
    m_look.marker = false;
    m_selection.move(at);
    changed();
}

void RegionOverlay::release(QPoint at)
{
    m_warpedTo.reset();
    m_selection.release(at);
    changed();
}

void RegionOverlay::doubleClick(QPoint at)
{
    // The first click of the two kept the rectangle (a press alone does);
    // without one, the second press counts as a press.
    if (!m_selection.rect().isEmpty())
        finish(m_selection.rect());
    else
        press(at);
}

void RegionOverlay::key(QKeyEvent *event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Escape:
        cancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        confirm();
        return;
    case Qt::Key_Space:
        m_selection.anchorAtPoint();
        break;
    case Qt::Key_Left:
        m_selection.nudge(-step, 0);
        break;
    case Qt::Key_Right:
        m_selection.nudge(step, 0);
        break;
    case Qt::Key_Up:
        m_selection.nudge(0, -step);
        break;
    case Qt::Key_Down:
        m_selection.nudge(0, step);
        break;
    default:
        event->ignore();
        return;
    }
    m_look.marker = true;
    warpPointer();
    changed();
}

void RegionOverlay::warpPointer()
{
    // Only X11 lets a program move the pointer; the mark shows the point
    // everywhere.
    if (!m_x11)
        return;
    const QRect desktop = desktopRect(m_desktop.areas);
    const QPoint point = m_selection.point();
    m_warpedTo = QPoint(qMin(point.x(), desktop.right()), qMin(point.y(), desktop.bottom()));
    x11WarpPointer(*m_warpedTo);
}

} // namespace korvane
