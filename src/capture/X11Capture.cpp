#include "capture/X11Capture.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"

#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace korvane {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> reply(T *r)
{
    return Reply<T>(r, &std::free);
}

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        throw KorvaneError(QStringLiteral("X サーバーに接続されていないため画面を取り込めません"));
    return x11->connection();
}

xcb_window_t rootWindow(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto r = reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr));
    return r ? r->atom : XCB_ATOM_NONE;
}

xcb_window_t windowProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property)
{
    if (property == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    auto r = reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<xcb_window_t *>(xcb_get_property_value(r.get()));
}

// True while a window manager runs: the root names its check window, and
// that window names itself. A manager that has exited leaves the root's
// properties behind, its active window among them.
bool windowManagerRunning(xcb_connection_t *c, xcb_window_t root)
{
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t named = windowProperty(c, root, check);
    return named != XCB_WINDOW_NONE && windowProperty(c, named, check) == named;
}

// The window the window manager calls active, if one runs and says.
xcb_window_t activeWindow(xcb_connection_t *c, xcb_window_t root)
{
    if (!windowManagerRunning(c, root))
        return XCB_WINDOW_NONE;
    return windowProperty(c, root, atom(c, "_NET_ACTIVE_WINDOW"));
}

// Without a window manager: the window with the input focus. When the focus
// follows the pointer (as it does once a focused window has gone), that is
// the top-level window under the pointer.
xcb_window_t focusedWindow(xcb_connection_t *c, xcb_window_t root)
{
    auto focus = reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (focus && focus->focus != XCB_WINDOW_NONE && focus->focus != root &&
        focus->focus != XCB_INPUT_FOCUS_POINTER_ROOT)
        return focus->focus;
    auto pointer = reply(xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr));
    return pointer ? pointer->child : XCB_WINDOW_NONE;
}

// The top-level window holding `window`: its ancestor that is a child of the
// root, which is the frame a window manager draws round it.
xcb_window_t topLevel(xcb_connection_t *c, xcb_window_t root, xcb_window_t window)
{
    for (int depth = 0; depth < 64 && window != XCB_WINDOW_NONE && window != root; ++depth) {
        auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == root)
            return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

QRect windowOnRoot(xcb_connection_t *c, xcb_window_t root, xcb_window_t window)
{
    auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry)
        return {};
    auto at = reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!at)
        return {};
    const int border = geometry->border_width;
    return QRect(at->dst_x - border, at->dst_y - border, geometry->width + 2 * border,
                 geometry->height + 2 * border);
}

QRect activeWindowRect(xcb_connection_t *c, xcb_window_t root)
{
    xcb_window_t window = activeWindow(c, root);
    if (window == XCB_WINDOW_NONE)
        window = focusedWindow(c, root);
    if (window == XCB_WINDOW_NONE || window == root)
        throw KorvaneError(QStringLiteral("アクティブなウィンドウがありません"));
    const xcb_window_t frame = topLevel(c, root, window);
    const QRect rect = frame == XCB_WINDOW_NONE ? QRect() : windowOnRoot(c, root, frame);
    if (rect.isEmpty())
        throw KorvaneError(QStringLiteral("アクティブなウィンドウの位置がわかりません"));
    return rect;
}

// The pixels of a rectangle of the root window, as the screen shows them.
QImage grabRoot(xcb_connection_t *c, xcb_window_t root, QRect rect)
{
    auto rootGeometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr));
    if (!rootGeometry)
        throw KorvaneError(QStringLiteral("画面の大きさがわかりません"));
    rect &= QRect(0, 0, rootGeometry->width, rootGeometry->height);
    checkPictureSize(rect.width(), rect.height());
    QImage picture = allocatePicture(rect.width(), rect.height(), QImage::Format_RGB32);
    // In bands, so that no single reply passes the server's request limit.
    const int bandRows = qMax(1, (16 << 20) / (rect.width() * 4));
    for (int top = 0; top < rect.height(); top += bandRows) {
        const int rows = qMin(bandRows, rect.height() - top);
        auto image = reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(rect.x()),
                          int16_t(rect.y() + top), uint16_t(rect.width()), uint16_t(rows), ~0u),
            nullptr));
        if (!image || image->depth < 24)
            throw KorvaneError(QStringLiteral("画面を取り込めません（色数 %1 ビットの画面）")
                                   .arg(image ? image->depth : 0));
        const int length = xcb_get_image_data_length(image.get());
        const uint8_t *data = xcb_get_image_data(image.get());
        const int stride = length / rows;
        if (stride < rect.width() * 4)
            throw KorvaneError(QStringLiteral("画面を取り込めません（画素の形式が不明です）"));
        for (int y = 0; y < rows; ++y) {
            auto *to = reinterpret_cast<QRgb *>(picture.scanLine(top + y));
            const auto *from = reinterpret_cast<const quint32 *>(data + qsizetype(y) * stride);
            for (int x = 0; x < rect.width(); ++x)
                to[x] = 0xFF000000u | (from[x] & 0x00FFFFFFu);
        }
    }
    return picture;
}

QString atomName(xcb_connection_t *c, xcb_atom_t name)
{
    auto r = reply(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, name), nullptr));
    if (!r)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(r.get()),
                               xcb_get_atom_name_name_length(r.get()));
}

} // namespace

QHash<QString, QRect> x11Monitors()
{
    xcb_connection_t *c = connection();
    QHash<QString, QRect> monitors;
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present)
        return monitors;
    auto version = reply(xcb_randr_query_version_reply(
        c, xcb_randr_query_version(c, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 5))
        return monitors;
    // The active monitors, as Qt asks for them when it makes its screens.
    auto r = reply(
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, rootWindow(c), 1), nullptr));
    if (!r)
        return monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
         xcb_randr_monitor_info_next(&it))
        monitors.insert(atomName(c, it.data->name),
                        QRect(it.data->x, it.data->y, it.data->width, it.data->height));
    return monitors;
}

std::optional<QPoint> x11PointerOnRoot()
{
    xcb_connection_t *c = connection();
    auto pointer = reply(xcb_query_pointer_reply(c, xcb_query_pointer(c, rootWindow(c)), nullptr));
    if (!pointer || !pointer->same_screen)
        return std::nullopt;
    return QPoint(pointer->root_x, pointer->root_y);
}

std::optional<X11PointerEvent> x11PointerEvent(const void *xcbEvent)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    switch (event->response_type & 0x7F) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto *button = static_cast<const xcb_button_press_event_t *>(xcbEvent);
        return X11PointerEvent{
            (event->response_type & 0x7F) == XCB_BUTTON_PRESS ? X11PointerEvent::Press
                                                              : X11PointerEvent::Release,
            button->detail, button->event, button->time, QPoint(button->root_x, button->root_y)};
    }
    case XCB_MOTION_NOTIFY: {
        const auto *motion = static_cast<const xcb_motion_notify_event_t *>(xcbEvent);
        return X11PointerEvent{X11PointerEvent::Motion, 0, motion->event, motion->time,
                               QPoint(motion->root_x, motion->root_y)};
    }
    case XCB_GE_GENERIC: {
        static const uint8_t xinput = [] {
            const xcb_query_extension_reply_t *extension =
                xcb_get_extension_data(connection(), &xcb_input_id);
            return extension && extension->present ? extension->major_opcode : uint8_t(0);
        }();
        const auto *generic = static_cast<const xcb_ge_generic_event_t *>(xcbEvent);
        if (xinput == 0 || generic->extension != xinput)
            return std::nullopt;
        const auto *device = static_cast<const xcb_input_button_press_event_t *>(xcbEvent);
        X11PointerEvent::Kind kind;
        switch (device->event_type) {
        case XCB_INPUT_BUTTON_PRESS:
            kind = X11PointerEvent::Press;
            break;
        case XCB_INPUT_BUTTON_RELEASE:
            kind = X11PointerEvent::Release;
            break;
        case XCB_INPUT_MOTION:
            kind = X11PointerEvent::Motion;
            break;
        default:
            return std::nullopt;
        }
        // 16.16 fixed point; a tablet's fraction goes to the nearer corner.
        const QPoint root((device->root_x + 0x8000) >> 16, (device->root_y + 0x8000) >> 16);
        return X11PointerEvent{kind, kind == X11PointerEvent::Motion ? 0 : int(device->detail),
                               device->event, device->time, root};
    }
    default:
        return std::nullopt;
    }
}

void x11WarpPointer(QPoint at)
{
    xcb_connection_t *c = connection();
    xcb_warp_pointer(c, XCB_WINDOW_NONE, rootWindow(c), 0, 0, 0, 0, int16_t(at.x()),
                     int16_t(at.y()));
    xcb_flush(c);
}

QImage captureX11(CaptureTarget target)
{
    xcb_connection_t *c = connection();
    const xcb_window_t root = rootWindow(c);
    QRect rect(0, 0, 0xFFFF, 0xFFFF);
    if (target == CaptureTarget::ActiveWindow)
        rect = activeWindowRect(c, root);
    return grabRoot(c, root, rect);
}

} // namespace korvane
