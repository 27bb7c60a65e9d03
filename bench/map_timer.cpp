// korvane_map_timer: times a program's windows as the X server sees them, for
// bench/startup.sh. Plain xcb, no Qt, so that the watcher itself costs the
// measured program nothing.
//
//   korvane_map_timer start PROGRAM [ARG...]
//     prints "MS KIB": milliseconds from exec to the first map of a top-level
//     window of the program, and its resident memory one second later.
//   korvane_map_timer capture X Y PROGRAM [ARG...]
//     waits for the program's first window, lets it settle for two seconds,
//     clicks at (X, Y) inside that window and prints "MS TITLE":
//     milliseconds from the button's release to the map of another window
//     of the program, and that window's title.
//   korvane_map_timer read [picture]
//     prints the milliseconds that the X server takes to hand over the
//     whole screen's pixels, in the bands the program asks for: the floor
//     of any capture. With "picture", into freshly allocated memory, each
//     pixel made opaque: the capture itself, as the program takes it.
//   korvane_map_timer region MX MY OX OY X0 Y0 X1 Y1 PROGRAM [ARG...]
//     waits for the program's first window, lets it settle for two seconds,
//     clicks at (MX, MY) inside it (the mode) and at (OX, OY) (OK), and
//     prints "MAP FRAME SPAN TITLE": milliseconds from OK's release to the
//     map of another window of the program (the overlay) and to its first
//     frame (the root's pixel at (X0, Y0) changing); then, half a second
//     later, the left button pressed at (X0, Y0), dragged to (X1, Y1) and
//     released, Enter pressed and released at once: milliseconds from the
//     button's release to the map of a third window, and its title.
//
// The program is ended with SIGTERM afterwards. Needs a screen without a
// window manager, where the program's windows are children of the root.
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "korvane_map_timer: %s\n", why.c_str());
    std::exit(2);
}

double msSince(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr),
        &std::free);
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::string property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1024), nullptr),
        &std::free);
    if (!r)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(r.get())),
                       size_t(xcb_get_property_value_length(r.get())));
}

struct Watcher
{
    xcb_connection_t *c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t pidAtom = XCB_ATOM_NONE;
    xcb_atom_t nameAtom = XCB_ATOM_NONE;
    xcb_atom_t utf8 = XCB_ATOM_NONE;

    Watcher()
    {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            fail("cannot open the display");
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        pidAtom = atom(c, "_NET_WM_PID");
        nameAtom = atom(c, "_NET_WM_NAME");
        utf8 = atom(c, "UTF8_STRING");
        xcb_flush(c);
    }

    // Blocks until a window of `pid` other than those in `except` is mapped.
    xcb_window_t nextMap(pid_t pid, const std::vector<xcb_window_t> &except = {})
    {
        while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
            if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY)
                continue;
            const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
            if (std::find(except.begin(), except.end(), map->window) != except.end() ||
                map->override_redirect)
                continue;
            const std::string value = property(c, map->window, pidAtom, XCB_ATOM_CARDINAL);
            uint32_t owner = 0;
            if (value.size() >= 4)
                std::memcpy(&owner, value.data(), 4);
            if (owner == uint32_t(pid))
                return map->window;
        }
        fail("the X connection closed");
    }

    std::string title(xcb_window_t window) { return property(c, window, nameAtom, utf8); }

    void click(xcb_window_t window, int x, int y)
    {
        std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> at(
            xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, window, root, int16_t(x), int16_t(y)), nullptr),
            &std::free);
        if (!at)
            fail("cannot place the click");
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, at->dst_x, at->dst_y,
                            0);
        xcb_flush(c);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(c);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    double readScreen(bool intoPicture)
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const int width = screen->width_in_pixels;
        const int height = screen->height_in_pixels;
        const int bandRows = std::max(1, (16 << 20) / (width * 4));
        const auto started = Clock::now();
        auto *picture = intoPicture
                            ? static_cast<uint32_t *>(std::malloc(size_t(width) * height * 4))
                            : nullptr;
        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            xcb_get_image_reply_t *band = xcb_get_image_reply(
                c,
                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, 0, int16_t(top), uint16_t(width),
                              uint16_t(rows), ~0u),
                nullptr);
            if (picture && band) {
                const auto *from = reinterpret_cast<const uint32_t *>(xcb_get_image_data(band));
                uint32_t *to = picture + size_t(top) * width;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < width; ++x)
                        to[size_t(y) * width + x] =
                            0xFF000000u | (from[size_t(y) * width + x] & 0x00FFFFFFu);
            }
            std::free(band);
        }
        const double ms = msSince(started);
        std::free(picture);
        return ms;
    }

    void release()
    {
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(c);
    }

    void pointerTo(int x, int y)
    {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(x), int16_t(y),
                            0);
        xcb_flush(c);
    }

    void button(uint8_t type)
    {
        xcb_test_fake_input(c, type, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(c);
    }

    // The keycode of a keysym in the server's keyboard map.
    uint8_t keycode(xcb_keysym_t keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> map(
            xcb_get_keyboard_mapping_reply(
                c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr),
            &std::free);
        if (!map)
            fail("cannot read the keyboard map");
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map.get());
        for (int i = 0; i < count * map->keysyms_per_keycode; ++i) {
            if (syms[i] == keysym)
                return uint8_t(setup->min_keycode + i / map->keysyms_per_keycode);
        }
        fail("no key for the keysym");
    }

    void key(uint8_t code)
    {
        xcb_test_fake_input(c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_test_fake_input(c, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(c);
    }

    uint32_t pixel(int x, int y)
    {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(x),
                                              int16_t(y), 1, 1, ~0u),
                                nullptr),
            &std::free);
        if (!image || xcb_get_image_data_length(image.get()) < 4)
            fail("cannot read a pixel of the screen");
        uint32_t value;
        std::memcpy(&value, xcb_get_image_data(image.get()), 4);
        return value & 0x00FFFFFFu;
    }
};

pid_t launch(char **argv)
{
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        execvp(argv[0], argv);
        std::perror(argv[0]);
        _exit(127);
    }
    return pid;
}

long residentKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    fail("the program ended before its memory was read");
}

void end(pid_t pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

int usage()
{
    std::fprintf(stderr,
                 "usage: korvane_map_timer start PROGRAM [ARG...]\n"
                 "       korvane_map_timer capture X Y PROGRAM [ARG...]\n"
                 "       korvane_map_timer read [picture]\n"
                 "       korvane_map_timer region MX MY OX OY X0 Y0 X1 Y1 PROGRAM [ARG...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    Watcher watcher;
    if (mode == "read") {
        std::printf("%.1f\n", watcher.readScreen(argc > 2 && std::string(argv[2]) == "picture"));
        return 0;
    }
    if (argc < 3)
        return usage();
    if (mode == "start") {
        const auto started = Clock::now();
        const pid_t pid = launch(argv + 2);
        watcher.nextMap(pid);
        const double ms = msSince(started);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long kib = residentKib(pid);
        end(pid);
        std::printf("%.1f %ld\n", ms, kib);
        return 0;
    }
    if (mode == "capture" && argc >= 5) {
        const pid_t pid = launch(argv + 4);
        const xcb_window_t first = watcher.nextMap(pid);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        watcher.click(first, std::atoi(argv[2]), std::atoi(argv[3]));
        const auto pressed = Clock::now();
        watcher.release();
        const xcb_window_t next = watcher.nextMap(pid, {first});
        const double ms = msSince(pressed);
        const std::string title = watcher.title(next);
        end(pid);
        std::printf("%.1f %s\n", ms, title.c_str());
        return 0;
    }
    if (mode == "region" && argc >= 11) {
        int at[8];
        for (int i = 0; i < 8; ++i)
            at[i] = std::atoi(argv[2 + i]);
        const uint8_t enter = watcher.keycode(0xFF0D); // XK_Return
        const pid_t pid = launch(argv + 10);
        const xcb_window_t first = watcher.nextMap(pid);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        watcher.click(first, at[0], at[1]);
        watcher.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const uint32_t before = watcher.pixel(at[4], at[5]);
        watcher.click(first, at[2], at[3]);
        const auto pressed = Clock::now();
        watcher.release();
        const xcb_window_t overlay = watcher.nextMap(pid, {first});
        const double mapMs = msSince(pressed);
        // Polled gently: the program and the X server share the cores.
        while (watcher.pixel(at[4], at[5]) == before) {
            if (msSince(pressed) > 10000)
                fail("the overlay draws nothing where the drag starts");
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double frameMs = msSince(pressed);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        watcher.pointerTo(at[4], at[5]);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        watcher.button(XCB_BUTTON_PRESS);
        for (int step = 1; step <= 10; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            watcher.pointerTo(at[4] + (at[6] - at[4]) * step / 10,
                              at[5] + (at[7] - at[5]) * step / 10);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        watcher.button(XCB_BUTTON_RELEASE);
        const auto released = Clock::now();
        watcher.key(enter);
        const xcb_window_t editor = watcher.nextMap(pid, {first, overlay});
        const double spanMs = msSince(released);
        const std::string title = watcher.title(editor);
        end(pid);
        std::printf("%.1f %.1f %.1f %s\n", mapMs, frameMs, spanMs, title.c_str());
        return 0;
    }
    return usage();
}
