#include "capture/X11Capture.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"

#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

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

} // namespace

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
